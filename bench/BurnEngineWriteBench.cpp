#include "tests/discserver/PipedProcess.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

// Writing a 1 GiB folder tree to a pseudo-drive: through Tessaly and the
// libburn engine, against xorriso mapping the same tree into an image file.
// Each side runs once, as a whole program run (start, scan, write, end), on a
// tree made for the run in the temporary folder and removed afterwards.

namespace {

constexpr std::uintmax_t treeBytes = std::uintmax_t(1) << 30;
constexpr int fileCount = 64;
constexpr int waitMs = 600000;

class BenchTree {
public:
    BenchTree()
    {
        std::random_device random;
        root_ = std::filesystem::temp_directory_path() / ("burn-engine-bench-" + std::to_string(random()));
        std::filesystem::create_directories(root_ / "tree");
        // Incompressible, non-sparse content, so both writers move real data.
        std::mt19937_64 generator(42);
        std::vector<std::uint64_t> block(1 << 17); // 1 MiB
        const std::uintmax_t fileBytes = treeBytes / fileCount;
        for (int i = 0; i < fileCount; ++i) {
            const auto folder = root_ / "tree" / ("folder " + std::to_string(i % 8));
            std::filesystem::create_directories(folder);
            std::ofstream out(folder / ("photo-" + std::to_string(i) + ".raw"), std::ios::binary);
            for (std::uintmax_t written = 0; written < fileBytes; written += block.size() * 8) {
                for (auto& word : block)
                    word = generator();
                out.write(reinterpret_cast<const char*>(block.data()), block.size() * 8);
            }
        }
    }
    ~BenchTree()
    {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    std::filesystem::path tree() const { return root_ / "tree"; }
    std::filesystem::path image(const std::string& name) const { return root_ / name; }

private:
    std::filesystem::path root_;
};

BenchTree* tree = nullptr;

void WriteThroughTessaly(benchmark::State& state)
{
    const auto image = tree->image("tessaly.iso");
    PipedProcess::SetEnvironment("COM_CLASS_REGISTRY", BURN_ENGINE_REGISTRY);
    PipedProcess::SetEnvironment("BURN_ENGINE_DRIVES", image.string());
    PipedProcess::SetEnvironment("BURN_ENGINE_CONFIG", tree->image("no-config").string());
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        PipedProcess tessaly(TESSALY_PROGRAM);
        if (!tessaly.Start()) {
            state.SkipWithError("Tessaly did not start");
            return;
        }
        tessaly.Write("Add:" + tree->tree().string() + "\nStartWrite\n");
        const std::string output = tessaly.ReadUntil("\rProgress: 100,", waitMs);
        tessaly.Write("Close\n");
        tessaly.ReadToEnd(waitMs);
        tessaly.Wait(waitMs);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (output.find("\rProgress: 100,") == std::string::npos)
            state.SkipWithError(("the write did not finish: " + output).c_str());
    }
    state.counters["MiB"] = static_cast<double>(std::filesystem::file_size(image)) / (1 << 20);
}

void WriteWithXorriso(benchmark::State& state)
{
    const auto image = tree->image("xorriso.iso");
    const std::string command =
        "xorriso -outdev 'stdio:" + image.string() + "' -map '" + tree->tree().string() + "' / >/dev/null 2>&1";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (status != 0)
            state.SkipWithError("xorriso failed");
    }
    state.counters["MiB"] = static_cast<double>(std::filesystem::file_size(image)) / (1 << 20);
}

BENCHMARK(WriteWithXorriso)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(WriteThroughTessaly)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    BenchTree benchTree;
    tree = &benchTree;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
