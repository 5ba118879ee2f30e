#include "OvStringProbe.h"

#include "afx/CMemoryException.h"
#include "afx/CString.h"
#include "foundation/FormatEstimate.h"
#include "GuardedBytes.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {
std::string Printed(const char* format, double value)
{
    char text[512];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

int EstimateOf(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int estimate = foundation::EstimateFormattedLength(format, args);
    va_end(args);
    return estimate;
}
} // namespace

// Tests that the capacity after Format is the estimate and the length that
// of the printed text.
TEST(OvStringFormat, CapacityIsTheEstimate)
{
    OvString sut;
    sut.Format("%10.3s|", "abcdef");
    EXPECT_STREQ(sut, "       abc|");
    EXPECT_EQ(sut.GetAllocLength(), 11);

    sut.Format("n=%d%%", 42);
    EXPECT_STREQ(sut, "n=42%");
    EXPECT_EQ(sut.GetAllocLength(), 2 + 32 + 1);

    sut.Format("%#x %-5c", 255, 'q');
    EXPECT_STREQ(sut, "0xff q    ");
    EXPECT_EQ(sut.GetAllocLength(), (2 + 32) + 1 + 5);

    sut.Format("%*d|%.*s", 40, 7, 2, "xyz");
    EXPECT_EQ(sut.GetLength(), 43);
    EXPECT_EQ(sut.GetAllocLength(), 40 + 1 + 2);

    sut.Format("%.2f", 2.5);
    EXPECT_STREQ(sut, "2.50");
    EXPECT_EQ(sut.GetAllocLength(), 128);

    sut.Format("%lld %zu %s", 1234567890123LL, static_cast<size_t>(9), "end");
    EXPECT_STREQ(sut, "1234567890123 9 end");
}

// Tests that the buffer is large enough where the estimate falls short:
// large floating-point values and conversions the estimate rates 0.
TEST(OvStringFormat, PrintedTextAlwaysFits)
{
    OvString sut;
    sut.Format("%f", 1e300);
    EXPECT_EQ(std::string(sut), Printed("%f", 1e300));
    EXPECT_GE(sut.GetAllocLength(), sut.GetLength());

    sut.Format("%.200e", 1.5);
    EXPECT_EQ(std::string(sut), Printed("%.200e", 1.5));

    sut.Format("");
    EXPECT_EQ(static_cast<const char*>(sut), static_cast<const char*>(OvGetEmptyString()));
}

// Tests that an explicit precision of 0 reads nothing of the text, which
// need not be terminated: here it ends where the readable memory ends.
TEST(OvStringFormat, ZeroPrecisionReadsNoText)
{
    const GuardedBytes text("abcd", 4);
    ASSERT_NE(text.Data(), nullptr);
    OvString sut;
    sut.Format("[%.*s]", 0, text.Data());
    EXPECT_STREQ(sut, "[]");
    // A written 0 is checked on the estimate alone: the address sanitizer's
    // own check of printf (GCC 12) reads such a text whole.
    EXPECT_EQ(EstimateOf("[%.0s]", text.Data()), 3);
    sut.Format("[%.4s|%.*s]", text.Data(), 2, text.Data());
    EXPECT_STREQ(sut, "[abcd|ab]");
}

// Tests that %C and %S take their wide character and wide text, so that the
// items after them read their own arguments.
TEST(OvStringFormat, WideConversionsTakeTheirArguments)
{
    OvString sut;
    sut.Format("%C%s", static_cast<wint_t>(L'x'), "abc");
    EXPECT_STREQ(sut, "xabc");
    sut.Format("%S %d %s", L"wide", 7, "abc");
    EXPECT_STREQ(sut, "wide 7 abc");
    EXPECT_GE(sut.GetAllocLength(), sut.GetLength());
}

// Tests that widths and precisions at the ends of int saturate in the
// estimate instead of overflowing: INT_MIN's width counts like INT_MAX's.
TEST(OvStringFormat, EstimateSaturatesAtTheEndsOfInt)
{
    const int fromMin = EstimateOf("%*d|", INT_MIN, 5);
    EXPECT_EQ(fromMin, EstimateOf("%*d|", INT_MAX, 5));
    EXPECT_GT(fromMin, 32 + 1);
    EXPECT_GE(EstimateOf("%*.*d|", INT_MAX, INT_MAX, 1), fromMin);
}

// Tests that a string may be formatted from its own text.
TEST(OvStringFormat, FormatMayReadItsOwnText)
{
    OvString sut("self");
    sut.Format("%s and %s", static_cast<const char*>(sut), static_cast<const char*>(sut));
    EXPECT_STREQ(sut, "self and self");
}

// Tests the message syntax: numbered inserts in any order, printf
// conversions between exclamation marks, and the escapes.
TEST(OvStringFormat, FormatMessageInsertsAndEscapes)
{
    OvString sut;
    sut.FormatMessageA("%1 has %2!d! items%n", "list", 3);
    EXPECT_STREQ(sut, "list has 3 items\r\n");

    sut.FormatMessageA("%2 before %1", "a", "b");
    EXPECT_STREQ(sut, "b before a");

    sut.FormatMessageA("100%% sure%0 not this");
    EXPECT_STREQ(sut, "100% sure");

    sut.FormatMessageA("[%1!5s!][%2!-4x!][%3!03d!]", "ab", 255, 7);
    EXPECT_STREQ(sut, "[   ab][ff  ][007]");

    sut.FormatMessageA("a%tb%.%!");
    EXPECT_STREQ(sut, "a\tb.!");

    sut.FormatMessageA("[%1!*s!]", 5, "ab");
    EXPECT_STREQ(sut, "[   ab]");
}

// Tests that a failed message formatting raises the out-of-memory exception
// and leaves the string as it was.
TEST(OvStringFormat, FormatMessageFailureRaisesMemoryException)
{
    OvString sut("kept");
    EXPECT_THROW(sut.FormatMessageA(""), CMemoryException);
    EXPECT_STREQ(sut, "kept");
}

// Tests the ANSI/OEM conversion in both directions.
TEST(OvStringFormat, OemConversionRoundTrips)
{
    OvString sut("caf\xE9 \xC4 plain");
    const OvString shared(sut);
    sut.CharToOemA();
    EXPECT_STREQ(sut, "caf\x82 \x8E plain");
    EXPECT_STREQ(shared, "caf\xE9 \xC4 plain");
    sut.OemToCharA();
    EXPECT_STREQ(sut, "caf\xE9 \xC4 plain");

    // Characters the other page lacks take the platform's best fit.
    OvString bestFit("\xC0\x80");
    bestFit.CharToOemA();
    EXPECT_STREQ(bestFit, "A?");
    OvString boxes("\xC9\xE0");
    boxes.OemToCharA();
    EXPECT_STREQ(boxes, "+a");
}

// Tests the 16-bit view: kept behind the narrow text in the string's own
// buffer, which it leaves intact.
TEST(OvStringFormat, WideViewLivesBehindTheText)
{
    OvString sut("ab\xE9");
    const OvString shared(sut);
    const unsigned short* wide = sut;
    EXPECT_EQ(wide[0], u'a');
    EXPECT_EQ(wide[1], u'b');
    EXPECT_EQ(wide[2], 0x00E9);
    EXPECT_EQ(wide[3], 0);
    EXPECT_STREQ(sut, "ab\xE9");
    EXPECT_EQ(sut.GetLength(), 3);
    EXPECT_GE(sut.GetAllocLength(), 3 * 4);
    EXPECT_EQ(reinterpret_cast<const char*>(wide), static_cast<const char*>(sut) + 4);
    EXPECT_NE(static_cast<const char*>(shared), static_cast<const char*>(sut));

    OvString empty;
    EXPECT_EQ(static_cast<const unsigned short*>(empty)[0], 0);
}

// Tests the conversions to and from the framework string: a CString is taken
// up to its first zero byte, and converting back keeps the text.
TEST(OvStringFormat, FrameworkStringConversions)
{
    const CString withZero("x\0y", 3);
    EXPECT_EQ(OvString(withZero).GetLength(), 1);
    OvString sut;
    sut = withZero;
    EXPECT_STREQ(sut, "x");

    const CString back = OvString("round trip");
    EXPECT_EQ(back.GetLength(), 10);
    EXPECT_STREQ(back, "round trip");
}
