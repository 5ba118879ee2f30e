#include "platform/CommandLine.h"

#include <gtest/gtest.h>

using platform::JoinCommandLine;
using platform::SplitCommandLine;
using Arguments = std::vector<std::string>;

// Tests the Windows splitting rules for blanks, quotes and backslashes.
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
        EXPECT_EQ(SplitCommandLine(c.line), c.expected) << "line: " << c.line;
}

// Tests that joining quotes exactly what splitting needs to give the arguments back.
TEST(CommandLine, JoinRoundTripsThroughSplit)
{
    const Arguments samples[] = {
        {},
        {"plain", "words"},
        {"with blank", "tab\there", ""},
        {"quote\"inside", "trailing\\", "both \\\" mixed\\\\"},
        {"C:\\Program Files\\", "x"},
    };
    for (const Arguments& arguments : samples)
        EXPECT_EQ(SplitCommandLine(JoinCommandLine(arguments)), arguments) << JoinCommandLine(arguments);
    EXPECT_EQ(JoinCommandLine({"a", "b c"}), "a \"b c\"");
}
