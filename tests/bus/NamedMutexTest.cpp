#include "platform/NamedMutex.h"
#include "BusTestNames.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// Tests that the holding thread may lock again, through the same object or
// another of the name, and that other threads wait until every lock is undone.
TEST(NamedMutex, ReentrantForHolderExclusiveForOtherThreads)
{
    const std::string name = UniqueBusName("vbmutex");
    platform::NamedMutex sut;
    platform::NamedMutex sameName;
    ASSERT_TRUE(sut.Open(name.c_str()));
    ASSERT_TRUE(sameName.Open(name.c_str()));

    sut.Lock();
    sameName.Lock();
    sut.Lock();
    std::atomic<bool> entered{false};
    std::thread other([&] {
        platform::NamedMutex own;
        own.Open(name.c_str());
        own.Lock();
        entered = true;
        own.Unlock();
    });
    sut.Unlock();
    sameName.Unlock();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(entered);
    sut.Unlock();
    other.join();
    EXPECT_TRUE(entered);

    sut.Lock();
    sut.RemoveName();
    sut.Unlock();
    sut.Close();
    sameName.Close();
    EXPECT_TRUE(LeftoverSharedObjects(name).empty());
}

} // namespace
