#include "OvStringProbe.h"

#include <gtest/gtest.h>

#include <string>

// Tests that extraction clamps its positions and counts instead of failing.
TEST(OvStringEdit, ExtractionClampsRanges)
{
    const OvString sut("abcdef");
    EXPECT_STREQ(sut.Mid(2, 100), "cdef");
    EXPECT_STREQ(sut.Mid(10), "");
    EXPECT_STREQ(sut.Mid(-5, 2), "ab");
    EXPECT_STREQ(sut.Left(-3), "");
    EXPECT_STREQ(sut.Left(3), "abc");
    EXPECT_STREQ(sut.Right(100), "abcdef");
    EXPECT_STREQ(sut.Right(2), "ef");
    EXPECT_STREQ(sut.SpanIncluding("cba"), "abc");
    EXPECT_STREQ(sut.SpanExcluding("dx"), "abc");
    // The whole text is shared, not copied.
    EXPECT_EQ(static_cast<const char*>(sut.Mid(0)), static_cast<const char*>(sut));
}

// Tests the search rules, in particular starts at and past the end.
TEST(OvStringEdit, FindHonoursStartPositions)
{
    const OvString sut("abcabc");
    EXPECT_EQ(sut.Find(""), 0);
    EXPECT_EQ(sut.Find('c'), 2);
    EXPECT_EQ(sut.Find('c', 3), 5);
    EXPECT_EQ(sut.Find("bc", 2), 4);
    EXPECT_EQ(sut.ReverseFind('a'), 3);
    EXPECT_EQ(sut.FindOneOf("xc"), 2);
    EXPECT_EQ(sut.Find('z'), -1);

    const OvString abc("abc");
    EXPECT_EQ(abc.Find("c", 3), -1);
    EXPECT_EQ(abc.Find('c', 3), -1);
    EXPECT_EQ(abc.Find("", 3), 3);
    EXPECT_EQ(abc.Find("", 4), -1);
    EXPECT_EQ(abc.Find("a", -2), 0); // a negative start searches from the beginning
    EXPECT_EQ(abc.Find('a', -2), 0);
}

// Tests Delete and Insert: clamping, return values and that no character of
// the moved tail is lost or repeated.
TEST(OvStringEdit, DeleteAndInsertMoveTheTail)
{
    OvString sut("abcdef");
    EXPECT_EQ(sut.Delete(1, 2), 6);
    EXPECT_STREQ(sut, "adef");
    EXPECT_EQ(sut.Delete(2, 100), 4); // a count past the end removes the rest
    EXPECT_STREQ(sut, "ad");
    EXPECT_EQ(sut.Delete(-1, 1), 2);
    EXPECT_STREQ(sut, "d");

    OvString letters("abcdefgh");
    EXPECT_EQ(letters.Insert(0, 'X'), 9);
    EXPECT_STREQ(letters, "Xabcdefgh");
    EXPECT_EQ(letters.GetAllocLength(), 9);
    EXPECT_EQ(letters.Insert(100, 'Y'), 10);
    EXPECT_STREQ(letters, "XabcdefghY");

    OvString ab("ab");
    EXPECT_EQ(ab.Insert(100, "yz"), 4);
    EXPECT_STREQ(ab, "abyz");
    EXPECT_EQ(ab.GetAllocLength(), 4);
    EXPECT_EQ(ab.Insert(1, ""), 4);
    EXPECT_EQ(ab.Insert(1, nullptr), 4);
    EXPECT_STREQ(ab, "abyz");
    EXPECT_EQ(ab.Insert(-3, static_cast<const char*>(ab) + 2), 6); // text from the string itself
    EXPECT_STREQ(ab, "yzabyz");
}

// Tests that a shared buffer is left alone by edits of one of its sharers.
TEST(OvStringEdit, EditsDoNotReachOtherSharers)
{
    const OvString original("banana");
    OvString sut(original);
    EXPECT_EQ(sut.Remove('a'), 3);
    EXPECT_STREQ(sut, "bnn");
    sut = original;
    sut.MakeUpper();
    sut = original;
    EXPECT_EQ(sut.Replace('n', 'N'), 2);
    EXPECT_EQ(sut.Replace('x', 'x'), 0);
    sut = original;
    sut.Insert(0, '>');
    EXPECT_STREQ(original, "banana");
}

// Tests case changes, reversal and trimming.
TEST(OvStringEdit, CaseReverseAndTrim)
{
    OvString sut("MiXeD");
    sut.MakeUpper();
    EXPECT_STREQ(sut, "MIXED");
    sut.MakeLower();
    EXPECT_STREQ(sut, "mixed");
    sut.MakeReverse();
    EXPECT_STREQ(sut, "dexim");

    OvString padded(" \t text \n ");
    padded.TrimLeft();
    EXPECT_STREQ(padded, "text \n ");
    padded.TrimRight();
    EXPECT_STREQ(padded, "text");

    OvString stars("**a*b**");
    stars.TrimLeft('*');
    stars.TrimRight('*');
    EXPECT_STREQ(stars, "a*b");

    OvString set("xyaxy");
    set.TrimLeft(nullptr);
    set.TrimRight("");
    EXPECT_STREQ(set, "xyaxy");
    set.TrimLeft("yx");
    set.TrimRight("y");
    EXPECT_STREQ(set, "ax");

    OvString blank("   ");
    blank.TrimRight();
    EXPECT_TRUE(blank.IsEmpty());
}

// Tests Replace and ReplaceNoCase: non-overlapping matches, removal, growth,
// and matches after embedded zero bytes.
TEST(OvStringEdit, ReplaceCoversEverySegment)
{
    OvString sut("aaaa");
    EXPECT_EQ(sut.Replace("aa", "b"), 2);
    EXPECT_STREQ(sut, "bb");

    OvString removed("a-b-c");
    EXPECT_EQ(removed.Replace("-", nullptr), 2);
    EXPECT_STREQ(removed, "abc");
    EXPECT_EQ(removed.Replace(nullptr, "x"), 0);
    EXPECT_EQ(removed.Replace("", "x"), 0);
    EXPECT_EQ(removed.Replace("zz", "x"), 0);

    OvString noCase("abAbaB");
    EXPECT_EQ(noCase.ReplaceNoCase("AB", "x"), 3);
    EXPECT_STREQ(noCase, "xxx");

    // Growth into a fresh exact buffer, then growth in place when there is room.
    OvString grown("a.b.c");
    EXPECT_EQ(grown.Replace(".", "<->"), 2);
    EXPECT_STREQ(grown, "a<->b<->c");
    EXPECT_EQ(grown.GetAllocLength(), 9);
    OvString roomy("x.y");
    roomy.GetBuffer(20);
    const char* before = roomy;
    EXPECT_EQ(roomy.Replace(".", "....."), 1);
    EXPECT_STREQ(roomy, "x.....y");
    EXPECT_EQ(static_cast<const char*>(roomy), before);

    const std::string raw("ab\0ab\0ab", 8);
    OvString zeros(raw.data(), 8);
    EXPECT_EQ(zeros.Replace("ab", "xyz"), 3);
    EXPECT_EQ(std::string(zeros, static_cast<size_t>(zeros.GetLength())), std::string("xyz\0xyz\0xyz", 11));
    EXPECT_EQ(zeros.ReplaceNoCase("XYZ", "q"), 3);
    EXPECT_EQ(std::string(zeros, static_cast<size_t>(zeros.GetLength())), std::string("q\0q\0q", 5));
}

// Tests that the replacement text may come from the string being changed.
TEST(OvStringEdit, ReplaceWithItsOwnText)
{
    OvString sut("ab");
    EXPECT_EQ(sut.Replace("b", sut), 1);
    EXPECT_STREQ(sut, "aab");
}
