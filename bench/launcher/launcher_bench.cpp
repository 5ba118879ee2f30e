// The launcher's start: the time from starting the program to its splash's
// first paint (which starts the setup runtime, so the runtime's first trace
// line marks it, a process start later), and the launcher's peak resident
// memory while it serves. Needs a display (an Xvfb will do).
//   launcher_bench LAUNCHER RUNTIME [benchmark options]
#include "platform/Clock.h"
#include "platform/CurrentFolder.h"
#include "platform/ProgramStart.h"
#include "platform/Window.h"
#include "platform/WindowSearch.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace {

std::filesystem::path launcherProgram;
std::filesystem::path runtimeProgram;

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The launcher's process: the one whose command line names the medium's copy.
std::filesystem::path FindProcess(const std::string& program)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string cmdline = ReadFile(entry.path() / "cmdline");
        if (cmdline.compare(0, program.size(), program) == 0)
            return entry.path();
    }
    return {};
}

long PeakResidentKib(const std::filesystem::path& process)
{
    std::istringstream status(ReadFile(process / "status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

void LauncherStartToFirstPaint(benchmark::State& state)
{
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("needs a display");
        return;
    }
    const std::filesystem::path medium = std::filesystem::temp_directory_path() / "velmora-launcher-bench";
    std::filesystem::remove_all(medium);
    std::filesystem::create_directories(medium / "setup");
    std::filesystem::copy_file(launcherProgram, medium / "Velmora");
    std::filesystem::copy_file(runtimeProgram, medium / "setup" / "Mobrun.exe");
    std::ofstream(medium / "setup" / "mobrun-script.txt") << "count-out\n";
    static std::string trace = "QUILLMARK_DEMO_TRACE=" + (medium / "trace.txt").string();
    putenv(trace.data());
    const std::string program = (medium / "Velmora").string();
    // The launcher finds its setup folder from the current folder, as when the autorun starts it.
    const std::string previousFolder = platform::CurrentFolder();
    platform::ChangeCurrentFolder(medium.string().c_str());

    long peakKib = 0;
    for (auto _ : state) {
        std::filesystem::remove(medium / "trace.txt");
        const auto start = std::chrono::steady_clock::now();
        int exitCode = -1;
        std::thread run([&] { platform::RunProgramToEnd(program.c_str(), 60000, &exitCode); });
        while (ReadFile(medium / "trace.txt").find("[runtime] started") == std::string::npos &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(30))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());

        // Serving: let the runtime count itself out, then read the launcher's peak.
        platform::SleepMilliseconds(500);
        peakKib = std::max(peakKib, PeakResidentKib(FindProcess(program)));
        platform::WindowHandle splash = platform::FindTopLevelWindow("Velmora", "");
        platform::RequestWindowClose(splash);
        run.join();
        if (exitCode != 0)
            state.SkipWithError("the launcher did not end by itself with 0");
    }
    state.counters["peak_resident_KiB"] = static_cast<double>(peakKib);
    platform::ChangeCurrentFolder(previousFolder.c_str());
    std::filesystem::remove_all(medium);
}
BENCHMARK(LauncherStartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: launcher_bench LAUNCHER RUNTIME [benchmark options]\n");
        return 2;
    }
    launcherProgram = argv[1];
    runtimeProgram = argv[2];
    argc -= 2;
    argv += 2;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
