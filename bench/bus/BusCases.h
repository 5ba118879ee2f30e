#pragma once

#include "BusBenchCodes.h"
#include "bus/HeapCounters.h"

#include <memory>
#include <string>
#include <vector>

class COProcDispatcher;

namespace platform {
class ChildProcess;
}

namespace busbench {

class BusAnswers;

// One bus of the benchmarks, seen from the sending side: a dispatcher of its
// own name in this process, a receiver of the peers' answers, and the peers,
// this program started again with "--bus-peer NAME INDEX". A batch is put
// and then waited for until every peer has acknowledged it, so a rate counts
// events that all peers have taken in. Every wait gives up after ten seconds
// (a peer that died or hangs), and the destructor kills peers still running.
// Runs on the thread that runs the event framework of this process.
class BusCases {
public:
    BusCases(std::string name, int peers);
    ~BusCases();
    BusCases(const BusCases&) = delete;
    BusCases& operator=(const BusCases&) = delete;

    // Attaches, starts the peers from program and waits for their hello.
    bool Start(const std::string& program);
    // The peers book their costs to this case from now on.
    void BeginCase(BenchCase which);
    // Puts count events with dataSize bytes of data each (0: none), draining
    // the own queue after every drainEvery puts (0: only while waiting), then
    // a batch end, and waits for every peer's acknowledgement.
    bool Batch(int count, int dataSize, int drainEvery);
    // One ping answered by the peer.
    bool Ping();
    // Collects each peer's cost report, stops the peers and waits for their
    // end; the report lines in peer order.
    std::vector<std::string> Finish();
    bool IsRunning() const { return started; }

    // Heap costs as per-event figures, e.g. for a report line.
    static std::string CostsPerEvent(const HeapCounters& spent, double events);

private:
    bool WaitFor(const long& counter, long target, bool yieldWhenIdle);
    void Put(unsigned int code, const void* data, int size);
    void PutValue(unsigned int code, long value);

    std::string name;
    int peerCount;
    bool started = false;
    std::unique_ptr<COProcDispatcher> dispatcher;
    std::unique_ptr<BusAnswers> answers;
    std::vector<std::unique_ptr<platform::ChildProcess>> peers;
    std::vector<char> payload;
    long putsSinceDrain = 0;
};

} // namespace busbench
