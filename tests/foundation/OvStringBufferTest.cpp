#include "OvStringProbe.h"

#include "afx/CMemoryException.h"
#include "afx/CString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include <thread>
#include <vector>

// Tests that empty strings all point at the one shared empty buffer and that
// copying, assigning and destroying them never changes it.
TEST(OvStringBuffer, EmptyStringsShareTheUncountedEmptyBuffer)
{
    const char* emptyChars = OvGetEmptyString();
    {
        OvString a;
        OvString b(a);
        OvString c("");
        OvString d(static_cast<const char*>(nullptr));
        OvString e('x', 0);
        OvString f("abc", 0);
        c = a;
        a = b;
        for (const OvString* s : {&a, &b, &c, &d, &e, &f}) {
            EXPECT_EQ(static_cast<const char*>(*s), emptyChars);
        }
    }
    EXPECT_EQ(Header(OvGetEmptyString()).refs, -2);
    EXPECT_EQ(Header(OvGetEmptyString()).dataLength, 0);
    EXPECT_EQ(Header(OvGetEmptyString()).allocLength, 0);
}

// Tests that copies share one counted buffer and that a write gives the
// writer an exact-size buffer of its own, leaving the other copy unchanged.
TEST(OvStringBuffer, CopiesShareUntilWritten)
{
    OvString sut("hello");
    OvString copy(sut);
    OvString assigned;
    assigned = sut;
    EXPECT_EQ(static_cast<const char*>(copy), static_cast<const char*>(sut));
    EXPECT_EQ(Header(sut).refs, 3);

    copy.SetAt(0, 'j');
    EXPECT_STREQ(copy, "jello");
    EXPECT_STREQ(sut, "hello");
    EXPECT_EQ(Header(sut).refs, 2);
    EXPECT_EQ(Header(copy).refs, 1);
    EXPECT_EQ(copy.GetAllocLength(), 5);
}

// Tests that a locked buffer is never shared, and that copies share again
// once it is unlocked.
TEST(OvStringBuffer, LockedBufferIsCopiedNotShared)
{
    OvString sut("locked");
    sut.LockBuffer();
    EXPECT_EQ(Header(sut).refs, -1);
    OvString copy(sut);
    OvString assigned("other");
    assigned = sut;
    EXPECT_NE(static_cast<const char*>(copy), static_cast<const char*>(sut));
    EXPECT_NE(static_cast<const char*>(assigned), static_cast<const char*>(sut));
    EXPECT_STREQ(copy, "locked");
    EXPECT_STREQ(assigned, "locked");

    // Assigning into a locked string copies the text into its own buffer.
    const char* lockedChars = sut;
    sut = OvString("tiny");
    EXPECT_EQ(static_cast<const char*>(sut), lockedChars);
    EXPECT_STREQ(sut, "tiny");

    // Emptying a locked string keeps its buffer with length 0.
    sut.Empty();
    EXPECT_EQ(static_cast<const char*>(sut), lockedChars);
    EXPECT_EQ(sut.GetLength(), 0);

    sut.UnlockBuffer();
    sut = "again";
    OvString shared(sut);
    EXPECT_EQ(static_cast<const char*>(shared), static_cast<const char*>(sut));

    // A string destroyed while locked frees its buffer (the leak check of
    // the sanitizer build sees it otherwise).
    OvString destroyedLocked("gone");
    destroyedLocked.LockBuffer();
}

// Tests the exact-capacity rules of the buffer calls.
TEST(OvStringBuffer, BuffersGrowExactlyAndKeepLargerCapacity)
{
    OvString sut("abc");
    char* buffer = sut.GetBuffer(10);
    EXPECT_EQ(sut.GetAllocLength(), 10);
    EXPECT_EQ(sut.GetLength(), 3);
    std::strcpy(buffer, "abcdefg");
    sut.ReleaseBuffer();
    EXPECT_EQ(sut.GetLength(), 7);
    EXPECT_EQ(sut.GetAllocLength(), 10);

    // A smaller request keeps the larger capacity; so does in-place append.
    sut.GetBuffer(2);
    EXPECT_EQ(sut.GetAllocLength(), 10);
    sut += "hij";
    EXPECT_EQ(sut.GetAllocLength(), 10);
    EXPECT_STREQ(sut, "abcdefghij");

    // Appending past the capacity allocates exactly the new length.
    sut += 'k';
    EXPECT_EQ(sut.GetAllocLength(), 11);

    sut.GetBufferSetLength(4);
    EXPECT_STREQ(sut, "abcd");
    sut.FreeExtra();
    EXPECT_EQ(sut.GetAllocLength(), 4);

    sut.ReleaseBuffer(2);
    EXPECT_STREQ(sut, "ab");
}

// Tests that concatenation always makes exactly the combined length, counts
// embedded zero bytes of strings, and treats null text as empty.
TEST(OvStringBuffer, ConcatenationIsExactAndKeepsEmbeddedZeros)
{
    const OvString withZero("a\0b", 3);
    const OvString joined = withZero + OvString("cd");
    EXPECT_EQ(joined.GetLength(), 5);
    EXPECT_EQ(joined.GetAllocLength(), 5);
    EXPECT_EQ(std::memcmp(static_cast<const char*>(joined), "a\0bcd", 6), 0);

    EXPECT_STREQ('x' + OvString("y") + 'z', "xyz");
    EXPECT_STREQ(static_cast<const char*>(nullptr) + OvString("y"), "y");
    EXPECT_EQ(static_cast<const char*>(OvString() + ""), static_cast<const char*>(OvGetEmptyString()));

    const CString framework("fw");
    EXPECT_STREQ(framework + OvString("!"), "fw!");
    EXPECT_STREQ(OvString("!") + framework, "!fw");
    OvString appended("a");
    appended += framework;
    appended += appended; // the text appended is the string itself
    EXPECT_STREQ(appended, "afwafw");
}

// Tests the comparisons: plain unsigned byte order, and the case-blind one.
TEST(OvStringBuffer, ComparisonsUseUnsignedByteOrder)
{
    const OvString high("\xE9");
    EXPECT_EQ(high.Compare("a"), 1);
    EXPECT_EQ(OvString("a").Compare("b"), -1);
    EXPECT_TRUE(OvString("a") < high);
    EXPECT_TRUE("b" > OvString("a"));
    EXPECT_TRUE(OvString("ab") <= "ab");
    EXPECT_TRUE("ab" == OvString("ab"));
    EXPECT_TRUE(OvString("ab") != OvString("aB"));
    EXPECT_EQ(OvString("HeLLo").CompareNoCase("hello"), 0);
    EXPECT_LT(OvString("abc").CompareNoCase("ABD"), 0);
    EXPECT_EQ(OvString("abc").Collate("abc"), 0);
    EXPECT_EQ(OvString("ABC").CollateNoCase("abc"), 0);
}

// Tests that strings sharing one buffer can be copied and destroyed on
// several threads at once without losing a count.
TEST(OvStringBuffer, SharedCountSurvivesConcurrentCopies)
{
    const OvString sut("shared between threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&sut] {
            for (int i = 0; i < 20000; ++i) {
                OvString copy(sut);
                OvString other;
                other = copy;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(Header(sut).refs, 1);
}

// Tests that a request no buffer can satisfy raises the framework's
// out-of-memory exception and leaves the string as it was.
TEST(OvStringBuffer, ImpossibleSizesRaiseMemoryException)
{
    OvString sut("intact");
    EXPECT_THROW(sut.GetBuffer(INT_MAX), CMemoryException);
    EXPECT_STREQ(sut, "intact");

    // A replacement whose result would pass the largest length.
    OvString big('a', 1 << 20);
    const OvString huge('b', 4096);
    EXPECT_THROW(big.Replace("a", huge), CMemoryException);
    EXPECT_EQ(big.GetLength(), 1 << 20);
    EXPECT_EQ(big.Find('b'), -1);
}
