// Posting from several threads while the main thread dispatches: nothing is
// lost and each thread's events keep their order. Run under the thread and
// address sanitizers as well.
#include "TestObjects.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr int THREADS = 4;
constexpr int EVENTS_PER_THREAD = 250000;

// Counts per posting thread and checks that sequence numbers rise by one.
class SequenceChecker : public CommonObjectBase {
public:
    long next[THREADS] = {};
    long total = 0;
    long outOfOrder = 0;
    long badData = 0;

protected:
    bool HandleEvent(COEvent* event) override
    {
        const int thread = static_cast<int>(event->eventCode);
        long sequence = 0;
        if (event->dataSize > 0) {
            // Every 16th event carries its number in a copied block.
            std::memcpy(&sequence, event->data, sizeof sequence);
            if (event->dataSize != static_cast<int>(sizeof sequence) || sequence % 16 != 0) {
                ++badData;
            }
        } else {
            sequence = event->Value();
        }
        if (thread < 0 || thread >= THREADS || sequence != next[thread]) {
            ++outOfOrder;
        } else {
            ++next[thread];
        }
        ++total;
        // Decline every event with data so that the dispatcher frees the copy.
        return event->dataSize == 0;
    }
};

using EventStress = EventFramework;

TEST_F(EventStress, FourPostingThreadsLoseNothingAndKeepTheirOrder)
{
    SequenceChecker sut;
    const long target = sut.GetID();
    std::atomic<int> running{THREADS};
    std::vector<std::thread> posters;
    for (int t = 0; t < THREADS; ++t) {
        posters.emplace_back([t, target, &running] {
            for (long i = 0; i < EVENTS_PER_THREAD; ++i) {
                if (i % 16 == 0) {
                    long copy = i;
                    CommonObjectEventManager::staticPostEvent(0, target, static_cast<unsigned int>(t), &copy,
                                                              sizeof copy, 0);
                } else {
                    CommonObjectEventManager::staticPostEvent(0, target, static_cast<unsigned int>(t),
                                                              reinterpret_cast<void*>(static_cast<intptr_t>(i)), 0, 0);
                }
            }
            running.fetch_sub(1);
        });
    }
    while (running.load() > 0) {
        CommonObjectEventManager::staticDispatchEvents(1);
        std::this_thread::yield();
    }
    for (auto& poster : posters) {
        poster.join();
    }
    CommonObjectEventManager::staticDispatchEvents(1);

    EXPECT_EQ(sut.total, static_cast<long>(THREADS) * EVENTS_PER_THREAD);
    EXPECT_EQ(sut.outOfOrder, 0);
    EXPECT_EQ(sut.badData, 0);
    for (long count : sut.next) {
        EXPECT_EQ(count, EVENTS_PER_THREAD);
    }
}

} // namespace
