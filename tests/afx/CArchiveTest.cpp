#include "afx/CArchive.h"
#include "afx/CArchiveException.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

int CauseOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const CArchiveException& e) {
        return e.m_cause;
    }
    return -1;
}

} // namespace

// Tests that numbers are stored little-endian at their fixed widths and read
// back with their signs.
TEST(CArchive, NumbersRoundTripLittleEndian)
{
    CArchive sut;
    sut << uint8_t{0x12} << uint16_t{0x3456} << uint32_t{0x789ABCDE} << int16_t{-2} << int32_t{-3} << 'c';
    const std::vector<unsigned char> expected = {0x12, 0x56, 0x34, 0xDE, 0xBC, 0x9A, 0x78,
                                                 0xFE, 0xFF, 0xFD, 0xFF, 0xFF, 0xFF, 'c'};
    ASSERT_EQ(sut.GetStoredSize(), expected.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), sut.GetStoredData()));

    CArchive loader(expected.data(), expected.size());
    uint8_t a;
    uint16_t b;
    uint32_t c;
    int16_t d;
    int32_t e;
    char f;
    loader >> a >> b >> c >> d >> e >> f;
    EXPECT_EQ(a, 0x12);
    EXPECT_EQ(b, 0x3456);
    EXPECT_EQ(c, 0x789ABCDEu);
    EXPECT_EQ(d, -2);
    EXPECT_EQ(e, -3);
    EXPECT_EQ(f, 'c');
}

// Tests that counted reads deliver what is there and report a short count at
// the end, while a number read past the end raises the end-of-file cause.
TEST(CArchive, ReadsStopAtTheEndOfTheData)
{
    const unsigned char data[] = {1, 2, 3};
    CArchive sut(data, sizeof data);
    unsigned char out[8] = {};
    EXPECT_EQ(sut.Read(out, 2), 2u);
    EXPECT_EQ(sut.Read(out, 8), 1u);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(sut.Read(out, 8), 0u);
    uint16_t number;
    EXPECT_EQ(CauseOf([&] { sut >> number; }), CArchiveException::endOfFile);
}

// Tests that an archive refuses the direction it was not made for.
TEST(CArchive, WrongDirectionRaisesItsCause)
{
    const unsigned char data[] = {1};
    CArchive loader(data, sizeof data);
    EXPECT_TRUE(loader.IsLoading());
    EXPECT_EQ(CauseOf([&] { loader << uint8_t{1}; }), CArchiveException::readOnly);

    CArchive storer;
    EXPECT_TRUE(storer.IsStoring());
    unsigned char byte;
    EXPECT_EQ(CauseOf([&] { storer.Read(&byte, 1); }), CArchiveException::writeOnly);
}

// Tests a file archive with a buffer smaller than the data, so that storing
// writes the buffer out several times and loading refills it, across reads
// that straddle the buffer's end.
TEST(CArchive, FileArchiveFlushesAndRefillsItsBuffer)
{
    File file(std::tmpfile());
    ASSERT_NE(file, nullptr);
    std::vector<unsigned char> data(1000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<unsigned char>(i * 7);
    }
    {
        CArchive sut(file.get(), CArchive::store, 64);
        sut.Write(data.data(), 10);
        sut.Write(data.data() + 10, 500); // larger than the buffer
        for (size_t i = 510; i < data.size(); ++i) {
            sut << data[i];
        }
        sut.Close();
    }
    std::rewind(file.get());
    CArchive sut(file.get(), CArchive::load, 64);
    std::vector<unsigned char> back(data.size());
    EXPECT_EQ(sut.Read(back.data(), 3), 3u);
    EXPECT_EQ(sut.Read(back.data() + 3, 100), 100u);
    for (size_t i = 103; i < back.size(); ++i) {
        sut >> back[i];
    }
    EXPECT_EQ(back, data);
    EXPECT_EQ(sut.Read(back.data(), 1), 0u);
}

// Tests that a memory archive grows with what is stored, keeping it all.
TEST(CArchive, MemoryArchiveGrowsWithTheData)
{
    CArchive sut;
    std::vector<unsigned char> data(100000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<unsigned char>(i % 251);
    }
    sut.Write(data.data(), 7);
    sut.Write(data.data() + 7, static_cast<unsigned>(data.size() - 7));
    ASSERT_EQ(sut.GetStoredSize(), data.size());
    EXPECT_TRUE(std::equal(data.begin(), data.end(), sut.GetStoredData()));
}
