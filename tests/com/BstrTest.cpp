#include "com/Com.h"

#include <gtest/gtest.h>

#include <cstdlib>

// Tests that a BSTR is one malloc block starting with the byte length, so a
// string made here can be freed by another module's free() and vice versa.
TEST(Bstr, IsOneMallocBlockPrecededByItsByteLength)
{
    BSTR sut = SysAllocString(u"disc");
    ASSERT_NE(sut, nullptr);
    const auto* block = reinterpret_cast<const uint32_t*>(sut) - 1;
    EXPECT_EQ(*block, 8u);
    EXPECT_EQ(SysStringLen(sut), 4u);
    EXPECT_EQ(SysStringByteLen(sut), 8u);
    EXPECT_EQ(sut[4], u'\0');
    std::free(const_cast<uint32_t*>(block));
}

TEST(Bstr, ForeignBlockWithTheLayoutIsReadAndFreed)
{
    auto* block = static_cast<uint32_t*>(std::malloc(4 + 6 + 2));
    block[0] = 6;
    std::memcpy(block + 1, u"abc", 8);
    BSTR sut = reinterpret_cast<BSTR>(block + 1);
    EXPECT_EQ(SysStringLen(sut), 3u);
    SysFreeString(sut); // freed without complaint under the address sanitizer
}

TEST(Bstr, KeepsEmbeddedZerosAndTreatsNullAsEmpty)
{
    BSTR sut = SysAllocStringLen(u"a\0b", 3);
    EXPECT_EQ(SysStringLen(sut), 3u);
    EXPECT_EQ(BstrView(sut), std::u16string_view(u"a\0b", 3));
    SysFreeString(sut);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_TRUE(BstrView(nullptr).empty());
    SysFreeString(nullptr);
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
}

TEST(Bstr, LengthWithoutTextGivesZeroFilledString)
{
    BSTR sut = SysAllocStringLen(nullptr, 2);
    EXPECT_EQ(SysStringLen(sut), 2u);
    EXPECT_EQ(sut[0], 0);
    EXPECT_EQ(sut[1], 0);
    SysFreeString(sut);
}
