#include "foundation/DObject.h"

#include "afx/CMemoryException.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {
constexpr int32_t linkSize = static_cast<int32_t>(MemoryPool::chunkLinkSize);

std::atomic<int> destroyedSamples{0};

class Sample : public DObject {
public:
    Sample() = default;
    explicit Sample(bool fail)
    {
        if (fail) {
            throw std::runtime_error("constructor failed");
        }
    }
    ~Sample() override { ++destroyedSamples; }
    unsigned char payload[40] = {};
};

// Selects a pool with block allocation on for the length of a test.
class Selection {
public:
    explicit Selection(MemoryPool& pool)
    {
        DObject::UseMemoryPool(&pool);
        DObject::SetBlockAlloc(1);
    }
    ~Selection() { DObject::UseMemoryPool(nullptr); }
};

// Runs work on another thread and reports whether it finished within the
// given time; the thread is joined by Finish.
class OtherThread {
public:
    template <typename Work>
    explicit OtherThread(Work work)
        : thread_([this, work] {
              work();
              done_ = true;
          })
    {
    }
    bool DoneWithin(std::chrono::milliseconds limit)
    {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!done_ && std::chrono::steady_clock::now() < end) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return done_;
    }
    void Finish() { thread_.join(); }

private:
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// Long enough for a thread that is not blocked to have run.
constexpr std::chrono::milliseconds patience{100};
constexpr std::chrono::milliseconds generous{5000};
} // namespace

// Tests that without a selected pool objects are ordinary heap objects and
// the flags read as off.
TEST(DObject, WithoutPoolObjectsComeFromTheHeapAndFlagsAreOff)
{
    DObject::SetBlockAlloc(1);
    DObject::SetAutomaticDelete(1);
    EXPECT_EQ(DObject::GetBlockAlloc(), 0);
    auto* sut = new Sample;
    sut->payload[39] = 1; // AddressSanitizer checks the whole object is real heap
    delete sut;
}

// Tests that objects are carved from the selected pool one after another and
// that deleting the last one frees the chunks.
TEST(DObject, SelectedPoolCarvesObjectsAndLastDeleteFreesChunks)
{
    MemoryPool pool(1024);
    const Selection selection(pool);
    EXPECT_EQ(DObject::GetBlockAlloc(), 1);
    std::vector<Sample*> objects;
    for (int i = 0; i < 30; ++i) {
        objects.push_back(new Sample);
    }
    EXPECT_EQ(reinterpret_cast<char*>(objects[0]), pool.firstChunk + linkSize);
    EXPECT_EQ(reinterpret_cast<char*>(objects[1]), pool.firstChunk + linkSize + sizeof(Sample));
    EXPECT_EQ(pool.useCount, 30);
    EXPECT_NE(pool.firstChunk, pool.lastChunk);

    destroyedSamples = 0;
    for (Sample* object : objects) {
        object->Kill();
    }
    EXPECT_EQ(destroyedSamples, 30);
    EXPECT_EQ(pool.useCount, 0);
    EXPECT_EQ(pool.firstChunk, nullptr);
}

// Tests that a request too large for a chunk raises the framework's memory
// exception through operator new, and one that fits exactly does not.
TEST(DObject, OversizedRequestRaisesMemoryException)
{
    MemoryPool pool(1024);
    const Selection selection(pool);
    EXPECT_THROW(DObject::operator new(1024 - linkSize + 1), CMemoryException);
    void* whole = DObject::operator new(1024 - linkSize);
    EXPECT_EQ(static_cast<char*>(whole), pool.firstChunk + linkSize);
    DObject::operator delete(whole);
    EXPECT_EQ(pool.firstChunk, nullptr);
}

// Tests that a constructor that throws gives its pooled block back, so the
// chunks are still freed when the other objects go.
TEST(DObject, ThrowingConstructorReturnsItsBlock)
{
    MemoryPool pool(1024);
    const Selection selection(pool);
    auto* kept = new Sample;
    EXPECT_THROW(new Sample(true), std::runtime_error);
    EXPECT_EQ(pool.useCount, 1);
    delete kept;
    EXPECT_EQ(pool.firstChunk, nullptr);
}

// Tests that with automatic deletion an object made before the selection goes
// back to the heap and leaves the pool's count alone.
TEST(DObject, AutomaticDeleteSendsEarlierHeapObjectsToTheHeap)
{
    auto* earlier = new Sample;
    MemoryPool pool(1024);
    const Selection selection(pool);
    DObject::SetAutomaticDelete(1);
    EXPECT_EQ(pool.automaticDelete, 1);
    auto* pooled = new Sample;
    delete earlier;
    EXPECT_EQ(pool.useCount, 1);
    delete pooled;
    EXPECT_EQ(pool.useCount, 0);
}

// Tests that Kill through a null pointer does nothing. Calling a member
// through null is what the callers of this interface do, so the sanitizer's
// check of the call itself is off here.
#if defined(__GNUC__)
__attribute__((no_sanitize("undefined")))
#endif
static void
KillThroughNull()
{
    DObject* nothing = nullptr;
    nothing->Kill();
}

TEST(DObject, KillThroughNullDoesNothing)
{
    MemoryPool pool(1024);
    const Selection selection(pool);
    auto* object = new Sample;
    KillThroughNull();
    EXPECT_EQ(pool.useCount, 1);
    object->Kill();
    EXPECT_EQ(pool.useCount, 0);
}

// Tests that a selection holds DObject allocation for the selecting thread:
// another thread's new waits until the deselection, then uses the heap.
TEST(DObjectSelection, OtherThreadsWaitUntilDeselection)
{
    MemoryPool pool(1024);
    DObject::UseMemoryPool(&pool);
    DObject::SetBlockAlloc(1);
    auto* mine = new Sample; // the selecting thread itself does not wait
    Sample* theirs = nullptr;
    OtherThread other([&theirs] { theirs = new Sample; });
    EXPECT_FALSE(other.DoneWithin(patience));
    EXPECT_EQ(pool.useCount, 1);

    delete mine;
    DObject::UseMemoryPool(nullptr);
    EXPECT_TRUE(other.DoneWithin(generous));
    other.Finish();
    EXPECT_EQ(pool.useCount, 0);
    delete theirs; // a heap object: AddressSanitizer would object otherwise
}

// Tests that selecting the current pool again does not deepen the hold: one
// deselection lets other threads in.
TEST(DObjectSelection, SelectingCurrentPoolAgainNeedsOneDeselection)
{
    MemoryPool pool(1024);
    DObject::UseMemoryPool(&pool);
    DObject::UseMemoryPool(&pool);
    DObject::UseMemoryPool(nullptr);
    OtherThread other([] { delete new Sample; });
    EXPECT_TRUE(other.DoneWithin(generous));
    other.Finish();
}

// Tests that selections do not stack: selecting B over A makes B current,
// the first deselection clears it but still holds the lock, and the second
// releases it.
TEST(DObjectSelection, SelectionsDoNotStackButEachIsMatched)
{
    MemoryPool first(1024);
    MemoryPool second(1024);
    first.blockAlloc = 1;
    second.blockAlloc = 1;
    DObject::UseMemoryPool(&first);
    DObject::UseMemoryPool(&second);
    auto* object = new Sample;
    EXPECT_EQ(second.useCount, 1);
    EXPECT_EQ(first.useCount, 0);
    delete object;

    DObject::UseMemoryPool(nullptr);
    EXPECT_EQ(DObject::GetBlockAlloc(), 0);
    OtherThread other([] { delete new Sample; });
    EXPECT_FALSE(other.DoneWithin(patience));
    DObject::UseMemoryPool(nullptr);
    EXPECT_TRUE(other.DoneWithin(generous));
    other.Finish();
}

// Tests that a thread without a selection cannot clear another thread's:
// the selecting thread keeps its pool and its hold.
TEST(DObjectSelection, DeselectionByAnotherThreadChangesNothing)
{
    MemoryPool pool(1024);
    DObject::UseMemoryPool(&pool);
    DObject::SetBlockAlloc(1);
    std::thread intruder([] { DObject::UseMemoryPool(nullptr); });
    intruder.join();
    EXPECT_EQ(DObject::GetBlockAlloc(), 1);
    auto* object = new Sample;
    EXPECT_EQ(pool.useCount, 1);
    delete object;
    OtherThread other([] { delete new Sample; });
    EXPECT_FALSE(other.DoneWithin(patience));
    DObject::UseMemoryPool(nullptr);
    EXPECT_TRUE(other.DoneWithin(generous));
    other.Finish();
}

// Tests that threads allocating at once without a selection all get sound
// heap objects while one of them selects and deselects a pool in between.
TEST(DObjectSelection, ConcurrentAllocationAndSelectionStayConsistent)
{
    std::atomic<bool> stop{false};
    std::vector<std::thread> workers;
    for (int t = 0; t < 3; ++t) {
        workers.emplace_back([&stop] {
            while (!stop) {
                auto* object = new Sample;
                object->payload[0] = 1;
                delete object;
            }
        });
    }
    for (int round = 0; round < 200; ++round) {
        MemoryPool pool(512);
        DObject::UseMemoryPool(&pool);
        DObject::SetBlockAlloc(1);
        std::vector<Sample*> objects(20);
        for (auto*& object : objects) {
            object = new Sample;
        }
        EXPECT_EQ(pool.useCount, 20);
        for (auto* object : objects) {
            delete object;
        }
        EXPECT_EQ(pool.firstChunk, nullptr);
        DObject::UseMemoryPool(nullptr);
    }
    stop = true;
    for (auto& worker : workers) {
        worker.join();
    }
}
