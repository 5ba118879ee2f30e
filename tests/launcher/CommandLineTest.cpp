#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using platform::JoinCommandLine;
using platform::QuoteArgument;
using platform::SplitArguments;
using platform::SplitCommandLine;
using Arguments = std::vector<std::string>;

// Tests the Windows splitting rules for arguments: blanks, quotes and backslashes.
TEST(CommandLine, SplitFollowsTheWindowsRules)
{
    const struct {
        const char* line;
        Arguments expected;
    } cases[] = {
        {"", {}},
        {"   \t ", {}},
        {"a b\tc", {"a", "b", "c"}},
        {"  lead  trail  ", {"lead", "trail"}},
        {"\"a b\" c", {"a b", "c"}},
        {"x\"y z\"w", {"xy zw"}},
        {"\"\"", {""}},
        {"a\\\\b", {"a\\\\b"}},
        {"a\\\"b", {"a\"b"}},
        {"a\\\\\"b c\"", {"a\\b c"}},
        {"a\\\\\\\"b", {"a\\\"b"}},
        {"\"a\"\"b\"", {"a\"b"}},
        {"D:\\Tools\\app.exe /x", {"D:\\Tools\\app.exe", "/x"}},
        {"\"unterminated quote", {"unterminated quote"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitArguments(c.line), c.expected) << "line: " << c.line;
}

// Tests the program name (the first argument) by the C runtime's rule:
// backslashes are literal there and a quote only toggles quoting. After it
// the runtime's published examples keep their results.
TEST(CommandLine, ProgramNameFollowsTheRuntimeRule)
{
    const struct {
        const char* line;
        Arguments expected;
    } cases[] = {
        {"\"C:\\dir\\\" x", {"C:\\dir\\", "x"}},
        {"\"C:\\Program Files\\app.exe\" /x", {"C:\\Program Files\\app.exe", "/x"}},
        {"C:\\dir\\\"x y\" z", {"C:\\dir\\x y", "z"}},
        {"\\\\\"a\"\" b", {"\\\\a b"}},
        {"pro\"g ram\"x y", {"prog ramx", "y"}},
        {"\"open name", {"open name"}},
        {"p \"a b c\" d e", {"p", "a b c", "d", "e"}},
        {"p \"ab\\\"c\" \"\\\\\" d", {"p", "ab\"c", "\\", "d"}},
        {"p a\\\\\\b d\"e f\"g h", {"p", "a\\\\\\b", "de fg", "h"}},
        {"p a\\\\\\\"b c d", {"p", "a\\\"b", "c", "d"}},
        {"p a\\\\\\\\\"b c\" d e", {"p", "a\\\\b c", "d", "e"}},
        {"p a\"b\"\" c d", {"p", "ab\" c d"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SplitCommandLine(c.line), c.expected) << "line: " << c.line;
}

// Tests that joining quotes exactly what splitting needs to give the
// arguments back, by either rule for the first one when it holds no quote
// (a program name cannot hold one), and that one argument quoted alone (as
// the Windows starters quote each) comes back too, backslashes at its end
// doubled inside the quotes.
TEST(CommandLine, JoinAndQuoteRoundTripThroughSplit)
{
    const Arguments samples[] = {
        {},
        {"plain", "words"},
        {"with blank", "tab\there", ""},
        {"C:\\Program Files\\", "x"},
        {"C:\\dir\\\\", "trailing\\ blank\\\\", "quote\"inside", "both \\\" mixed\\\\"},
        {""},
    };
    for (const Arguments& arguments : samples) {
        EXPECT_EQ(SplitArguments(JoinCommandLine(arguments)), arguments) << JoinCommandLine(arguments);
        EXPECT_EQ(SplitCommandLine(JoinCommandLine(arguments)), arguments) << JoinCommandLine(arguments);
        for (const std::string& argument : arguments)
            EXPECT_EQ(SplitArguments(QuoteArgument(argument)), Arguments{argument}) << QuoteArgument(argument);
    }
    const Arguments quoteFirst = {"quote\"inside", "x"};
    EXPECT_EQ(SplitArguments(JoinCommandLine(quoteFirst)), quoteFirst);
    EXPECT_EQ(JoinCommandLine({"a", "b c"}), "a \"b c\"");
    EXPECT_EQ(JoinCommandLine({"C:\\Program Files\\", "x"}), "\"C:\\Program Files\"\\ x");
    EXPECT_EQ(QuoteArgument("C:\\dir\\"), "C:\\dir\\");
    EXPECT_EQ(QuoteArgument(""), "\"\"");
    EXPECT_EQ(QuoteArgument("C:\\Program Files\\"), "\"C:\\Program Files\\\\\"");
    EXPECT_EQ(QuoteArgument("say \\\"hi\""), "\"say \\\\\\\"hi\\\"\"");
}
