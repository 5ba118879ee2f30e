// Speed of the event framework, with asio's post + run of an empty handler
// as the baseline measured in the same run. Posting benchmarks post a batch,
// then dispatch it, and report events per second.
#include "events/CODispatcher.h"
#include "events/CommonObjectBase.h"
#include "events/CommonObjectEventManager.h"

#include <asio/io_context.hpp>
#include <asio/post.hpp>
#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int BATCH = 1000;

class Sink : public CommonObjectBase {
public:
    explicit Sink(bool accept = true) : accept(accept) {}
    long count = 0;
    bool accept;

protected:
    bool HandleEvent(COEvent* event) override
    {
        if (event->eventCode == EVENT_IDLE) {
            return CommonObjectBase::HandleEvent(event);
        }
        ++count;
        return accept;
    }
    bool OnIdle(unsigned long) override
    {
        ++count;
        return false;
    }
};

void BM_AsioPostRun(benchmark::State& state)
{
    asio::io_context context;
    long count = 0;
    for (auto _ : state) {
        for (int i = 0; i < BATCH; ++i) {
            asio::post(context, [&count] { ++count; });
        }
        context.run();
        context.restart();
    }
    benchmark::DoNotOptimize(count);
    state.SetItemsProcessed(state.iterations() * BATCH);
}
BENCHMARK(BM_AsioPostRun);

void BM_PostDispatchNoData(benchmark::State& state)
{
    CommonObjectEventManager manager;
    auto* sink = new Sink;
    const long target = sink->GetID();
    for (auto _ : state) {
        for (int i = 0; i < BATCH; ++i) {
            CommonObjectEventManager::staticPostEvent(0, target, 0x100u, nullptr, 0, 0);
        }
        CommonObjectEventManager::staticDispatchEvents(1);
    }
    state.SetItemsProcessed(state.iterations() * BATCH);
}
BENCHMARK(BM_PostDispatchNoData);

void BM_PostDispatch16Bytes(benchmark::State& state)
{
    CommonObjectEventManager manager;
    // Declining makes the dispatcher free each copy, so memory stays flat.
    auto* sink = new Sink(false);
    const long target = sink->GetID();
    char payload[16] = "sixteen bytes..";
    for (auto _ : state) {
        for (int i = 0; i < BATCH; ++i) {
            CommonObjectEventManager::staticPostEvent(0, target, 0x100u, payload, sizeof payload, 0);
        }
        CommonObjectEventManager::staticDispatchEvents(1);
    }
    state.SetItemsProcessed(state.iterations() * BATCH);
}
BENCHMARK(BM_PostDispatch16Bytes);

void BM_SendToObject(benchmark::State& state)
{
    CommonObjectEventManager manager;
    auto* sink = new Sink;
    const long target = sink->GetID();
    for (auto _ : state) {
        benchmark::DoNotOptimize(CommonObjectEventManager::SendSimpleEvent(target, 0x100u, 1L));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SendToObject);

void BM_SendThroughDispatcherOf3(benchmark::State& state)
{
    CommonObjectEventManager manager;
    auto* dispatcher = new CODispatcher("Bench");
    for (int i = 0; i < 3; ++i) {
        dispatcher->AddReceiver((new Sink(false))->GetID());
    }
    const long target = dispatcher->GetID();
    for (auto _ : state) {
        benchmark::DoNotOptimize(CommonObjectEventManager::SendSimpleEvent(target, 0x100u, 1L));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SendThroughDispatcherOf3);

void BM_IdleStepWith10Receivers(benchmark::State& state)
{
    CommonObjectEventManager manager;
    for (int i = 0; i < 10; ++i) {
        (new Sink)->RequestIdleEvents();
    }
    for (auto _ : state) {
        CommonObjectEventManager::staticDispatchEvents(1);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IdleStepWith10Receivers);

} // namespace

BENCHMARK_MAIN();
