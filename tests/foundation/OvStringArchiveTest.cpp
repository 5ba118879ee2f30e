#include "OvStringProbe.h"

#include "afx/CArchive.h"
#include "afx/CArchiveException.h"

#include <gtest/gtest.h>

#include <cstring>

#include <vector>

namespace {

std::vector<unsigned char> Stored(const OvString& text)
{
    CArchive archive;
    archive << text;
    return {archive.GetStoredData(), archive.GetStoredData() + archive.GetStoredSize()};
}

OvString Loaded(const std::vector<unsigned char>& bytes)
{
    CArchive archive(bytes.data(), bytes.size());
    OvString text("previous");
    archive >> text;
    return text;
}

} // namespace

// Tests the three length prefixes at their boundaries and that each form
// reads back equal.
TEST(OvStringArchive, LengthPrefixFormsRoundTrip)
{
    struct Case {
        int length;
        std::vector<unsigned char> prefix;
    };
    const Case cases[] = {
        {0, {0x00}},
        {254, {0xFE}},
        {255, {0xFF, 0xFF, 0x00}},
        {65533, {0xFF, 0xFD, 0xFF}},
        {65534, {0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}},
        {200000, {0xFF, 0xFF, 0xFF, 0x40, 0x0D, 0x03, 0x00}},
    };
    for (const Case& c : cases) {
        OvString text('a', c.length);
        if (c.length > 1) {
            text.SetAt(c.length / 2, '\0'); // embedded zero bytes travel too
        }
        const std::vector<unsigned char> bytes = Stored(text);
        ASSERT_EQ(bytes.size(), c.prefix.size() + static_cast<size_t>(c.length)) << c.length;
        EXPECT_TRUE(std::equal(c.prefix.begin(), c.prefix.end(), bytes.begin())) << c.length;
        const OvString back = Loaded(bytes);
        EXPECT_EQ(back.GetLength(), c.length);
        EXPECT_EQ(back.GetAllocLength(), c.length);
        EXPECT_EQ(
            std::memcmp(static_cast<const char*>(back), static_cast<const char*>(text), static_cast<size_t>(c.length)),
            0)
            << c.length;
    }
}

// Tests that fewer characters than announced raise the end-of-file cause.
TEST(OvStringArchive, ShortDataRaisesEndOfFile)
{
    for (const std::vector<unsigned char>& bytes : std::vector<std::vector<unsigned char>>{
             {0x05, 'a', 'b'},
             {0xFF, 0x10},
             {},
         }) {
        try {
            Loaded(bytes);
            ADD_FAILURE() << "no exception";
        } catch (const CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
        }
    }
}

// Tests that a forged huge length is met with the end-of-file cause, not
// with an attempt to reserve memory for it: the characters are read in
// bounded steps, so the read fails long before memory runs out.
TEST(OvStringArchive, HugeForgedLengthFailsWithoutReservingIt)
{
    std::vector<unsigned char> bytes = {0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0x7F};
    bytes.resize(bytes.size() + 300000, 'z');
    CArchive archive(bytes.data(), bytes.size());
    OvString text;
    try {
        archive >> text;
        ADD_FAILURE() << "no exception";
    } catch (const CArchiveException& e) {
        EXPECT_EQ(e.m_cause, CArchiveException::endOfFile);
    }
    EXPECT_TRUE(text.IsEmpty());
}

// Tests that the 16-bit text form written by the framework string is read
// and converted to narrow text.
TEST(OvStringArchive, ReadsTheSixteenBitForm)
{
    const OvString back = Loaded({0xFF, 0xFE, 0xFF, 0x03, 'h', 0, 'i', 0, 0xE9, 0});
    EXPECT_STREQ(back, "hi\xE9");
}
