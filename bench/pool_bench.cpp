// Allocating and deleting a million 100-byte blocks through DObject's
// operators, without a pool and with a selected one, against the global heap
// and a monotonic memory resource. Each benchmark reports the mean cost of
// one allocation (alloc_ns) and of one deletion (delete_ns); for the pool and
// the monotonic resource the deletion figure includes handing the chunks back.
#include "foundation/DObject.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <memory_resource>
#include <vector>

namespace {
constexpr std::size_t objectCount = 1'000'000;
constexpr std::size_t objectSize = 100;
constexpr int chunkSize = 1 << 20;
constexpr std::size_t objectAlignment = alignof(void*);

// Processor time of the process rather than wall time: the figures stay
// comparable on a machine that other jobs keep busy.
double CpuNanoseconds()
{
    return static_cast<double>(std::clock()) * (1e9 / CLOCKS_PER_SEC);
}

// Sums the time of the two phases of every iteration separately and reports
// each per object.
class PhaseTimer {
public:
    explicit PhaseTimer(benchmark::State& state) : state_(state), blocks_(objectCount) {}
    ~PhaseTimer()
    {
        const double objects = static_cast<double>(state_.iterations()) * objectCount;
        state_.counters["alloc_ns"] = allocNs_ / objects;
        state_.counters["delete_ns"] = deleteNs_ / objects;
    }

    // Fills the blocks with allocateOne(), then hands them to releaseAll.
    template <typename AllocateOne, typename ReleaseAll> void Run(AllocateOne allocateOne, ReleaseAll releaseAll)
    {
        const double start = CpuNanoseconds();
        for (void*& block : blocks_) {
            block = allocateOne();
        }
        benchmark::DoNotOptimize(blocks_.data());
        const double middle = CpuNanoseconds();
        releaseAll(blocks_);
        const double end = CpuNanoseconds();
        allocNs_ += middle - start;
        deleteNs_ += end - middle;
        state_.SetIterationTime((end - start) / 1e9);
    }

private:
    benchmark::State& state_;
    std::vector<void*> blocks_;
    double allocNs_ = 0;
    double deleteNs_ = 0;
};

template <typename DeleteOne> auto EachDeletedBy(DeleteOne deleteOne)
{
    return [deleteOne](const std::vector<void*>& blocks) {
        for (void* block : blocks) {
            deleteOne(block);
        }
    };
}

void GlobalNewDelete(benchmark::State& state)
{
    PhaseTimer timer(state);
    for (auto _ : state) {
        timer.Run([] { return ::operator new(objectSize); },
                  EachDeletedBy([](void* block) { ::operator delete(block); }));
    }
}

void MonotonicResource(benchmark::State& state)
{
    PhaseTimer timer(state);
    for (auto _ : state) {
        std::pmr::monotonic_buffer_resource resource(chunkSize);
        timer.Run([&resource] { return resource.allocate(objectSize, objectAlignment); },
                  [&resource](const std::vector<void*>&) { resource.release(); });
    }
}

void DObjectWithoutPool(benchmark::State& state)
{
    PhaseTimer timer(state);
    for (auto _ : state) {
        timer.Run([] { return DObject::operator new(objectSize); },
                  EachDeletedBy([](void* block) { DObject::operator delete(block); }));
    }
}

// The selecting thread's own allocations: the lock is already held, so each
// call only re-enters it. The last delete hands the chunks back.
void DObjectSelectedPool(benchmark::State& state)
{
    const bool byAddress = state.range(0) != 0;
    PhaseTimer timer(state);
    for (auto _ : state) {
        MemoryPool pool(chunkSize);
        DObject::UseMemoryPool(&pool);
        DObject::SetBlockAlloc(1);
        DObject::SetAutomaticDelete(byAddress ? 1 : 0);
        timer.Run([] { return DObject::operator new(objectSize); },
                  EachDeletedBy([](void* block) { DObject::operator delete(block); }));
        DObject::UseMemoryPool(nullptr);
        if (pool.firstChunk != nullptr) {
            state.SkipWithError("the pool kept its chunks after the last delete");
        }
    }
}
} // namespace

BENCHMARK(GlobalNewDelete)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(MonotonicResource)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DObjectWithoutPool)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(DObjectSelectedPool)->ArgName("by_address")->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
