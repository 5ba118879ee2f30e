// OvString against std::string in one run. Compare the pairs by name:
//   Copy1KiB      copying and destroying a 1 KiB string (OvString shares it;
//                 InterlockedFloor is the bare count change it cannot avoid)
//   AppendByte/N  N one-byte appends to an empty string; OvString allocates
//                 exactly on every growth, so its cost is quadratic in N
//   Find1MiB      finding a text that sits at the end of 1 MiB
//   Replace1MiB   replacing every "ab" by "xyz" in 1 MiB (a fresh copy each
//                 time, made for both alike)
#include "foundation/OvString.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace {

constexpr int oneMiB = 1 << 20;
const char* const needle = "the needle at the end";

// 1 MiB of letters with an "ab" every 64 bytes and the needle at the very end.
std::string Haystack()
{
    std::string text;
    text.reserve(oneMiB);
    unsigned seed = 12345;
    while (text.size() < oneMiB - std::char_traits<char>::length(needle)) {
        seed = seed * 1103515245u + 12345u;
        text += text.size() % 64 == 0 ? 'a' : static_cast<char>('c' + (seed >> 16) % 20);
        if (text.size() % 64 == 1) {
            text += 'b';
        }
    }
    text.resize(oneMiB - std::char_traits<char>::length(needle));
    return text + needle;
}

void Copy1KiB_OvString(benchmark::State& state)
{
    const OvString source('x', 1024);
    for (auto _ : state) {
        OvString copy(source);
        benchmark::DoNotOptimize(static_cast<const char*>(copy));
    }
}
BENCHMARK(Copy1KiB_OvString);

void Copy1KiB_StdString(benchmark::State& state)
{
    const std::string source(1024, 'x');
    for (auto _ : state) {
        std::string copy(source);
        benchmark::DoNotOptimize(copy.data());
    }
}
BENCHMARK(Copy1KiB_StdString);

// The floor of a shared copy: the one interlocked increment and decrement
// that every OvString copy and destruction must make.
void Copy1KiB_InterlockedFloor(benchmark::State& state)
{
    std::atomic<int32_t> refs{1};
    for (auto _ : state) {
        refs.fetch_add(1, std::memory_order_relaxed);
        benchmark::DoNotOptimize(refs.fetch_sub(1, std::memory_order_acq_rel));
    }
}
BENCHMARK(Copy1KiB_InterlockedFloor);

void AppendByte_OvString(benchmark::State& state)
{
    for (auto _ : state) {
        OvString text;
        for (int64_t i = 0; i < state.range(0); ++i) {
            text += 'x';
        }
        benchmark::DoNotOptimize(static_cast<const char*>(text));
    }
}
BENCHMARK(AppendByte_OvString)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(1);

void AppendByte_StdString(benchmark::State& state)
{
    for (auto _ : state) {
        std::string text;
        for (int64_t i = 0; i < state.range(0); ++i) {
            text += 'x';
        }
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(AppendByte_StdString)->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

void Find1MiB_OvString(benchmark::State& state)
{
    const std::string haystack = Haystack();
    const OvString text(haystack.data(), static_cast<int>(haystack.size()));
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.Find(needle));
    }
    state.SetBytesProcessed(state.iterations() * oneMiB);
}
BENCHMARK(Find1MiB_OvString)->Unit(benchmark::kMicrosecond);

void Find1MiB_StdString(benchmark::State& state)
{
    const std::string text = Haystack();
    for (auto _ : state) {
        benchmark::DoNotOptimize(text.find(needle));
    }
    state.SetBytesProcessed(state.iterations() * oneMiB);
}
BENCHMARK(Find1MiB_StdString)->Unit(benchmark::kMicrosecond);

void Replace1MiB_OvString(benchmark::State& state)
{
    const std::string haystack = Haystack();
    const OvString source(haystack.data(), static_cast<int>(haystack.size()));
    for (auto _ : state) {
        OvString text(source);
        benchmark::DoNotOptimize(text.Replace("ab", "xyz"));
    }
    state.SetBytesProcessed(state.iterations() * oneMiB);
}
BENCHMARK(Replace1MiB_OvString)->Unit(benchmark::kMicrosecond);

// The usual std::string way: build the result in a second string.
void Replace1MiB_StdString(benchmark::State& state)
{
    const std::string source = Haystack();
    for (auto _ : state) {
        std::string text(source);
        std::string result;
        result.reserve(text.size());
        std::size_t from = 0;
        for (std::size_t at = text.find("ab"); at != std::string::npos; at = text.find("ab", from)) {
            result.append(text, from, at - from).append("xyz");
            from = at + 2;
        }
        result.append(text, from, std::string::npos);
        text.swap(result);
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(state.iterations() * oneMiB);
}
BENCHMARK(Replace1MiB_StdString)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
