#include "afx/CString.h"
#include "afx/CArchive.h"
#include "foundation/OvString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {
const CStringData& Header(const CString& text)
{
    return *(reinterpret_cast<const CStringData*>(static_cast<const char*>(text)) - 1);
}
} // namespace

// Tests that copies share one counted buffer until one of them writes.
TEST(CString, CopiesShareUntilWritten)
{
    CString sut("text");
    CString copy(sut);
    EXPECT_EQ(Header(sut).refs, 2);
    copy.SetAt(0, 'n');
    EXPECT_STREQ(sut, "text");
    EXPECT_STREQ(copy, "next");
    EXPECT_EQ(Header(sut).refs, 1);
}

// Tests extraction and concatenation, including embedded zero bytes, which
// the recorded length keeps.
TEST(CString, ExtractionAndConcatenation)
{
    const CString sut("abcdef");
    EXPECT_STREQ(sut.Mid(2, 100), "cdef");
    EXPECT_STREQ(sut.Mid(9), "");
    EXPECT_STREQ(sut.Left(-1), "");
    EXPECT_STREQ(sut.Right(2), "ef");
    EXPECT_STREQ(sut.SpanIncluding("ab"), "ab");
    EXPECT_STREQ(sut.SpanExcluding("d"), "abc");

    CString joined = CString("x\0y", 3) + "z";
    EXPECT_EQ(joined.GetLength(), 4);
    joined += joined;
    EXPECT_EQ(joined.GetLength(), 8);
    EXPECT_EQ(CString("ABC").CompareNoCase("abc"), 0);
    EXPECT_TRUE(CString("a") != "b");
}

// Tests buffer access: the buffer is unshared first, and releasing it takes
// the length of the text written.
TEST(CString, BufferAccess)
{
    CString sut("ab");
    const CString shared(sut);
    char* buffer = sut.GetBuffer(8);
    std::strcpy(buffer, "abcdefg");
    sut.ReleaseBuffer();
    EXPECT_EQ(sut.GetLength(), 7);
    EXPECT_STREQ(shared, "ab");
    sut.GetBufferSetLength(3);
    EXPECT_STREQ(sut, "abc");
}

// Tests the 16-bit assignment: characters of the narrow code page convert,
// others become '?'.
TEST(CString, WideTextConvertsToTheNarrowCodePage)
{
    const unsigned short wide[] = {'h', 'i', 0x00E9, 0x4E00, 0};
    const CString sut(wide);
    EXPECT_STREQ(sut, "hi\xE9?");
}

// Tests that the framework string and OvString write the same archive form,
// so that each reads what the other wrote.
TEST(CString, ArchiveFormMatchesOvString)
{
    for (int length : {3, 300, 70000}) {
        const CString text('q', length);
        CArchive storer;
        storer << text << OvString(static_cast<const char*>(text));
        const size_t half = storer.GetStoredSize() / 2;
        ASSERT_TRUE(std::equal(storer.GetStoredData(), storer.GetStoredData() + half, storer.GetStoredData() + half));

        CArchive loader(storer.GetStoredData(), storer.GetStoredSize());
        OvString first;
        CString second;
        loader >> first >> second;
        EXPECT_EQ(first.GetLength(), length);
        EXPECT_EQ(second, text);
    }
}
