// The launcher's start against a minimal program's, in one run: the time from
// starting each program to its first paint, and the launcher's peak resident
// memory while it serves. Both programs start the setup runtime on their first
// paint, so the runtime's first trace line marks it (a process start later)
// for both alike. Needs a display (an Xvfb will do).
//   launcher_bench [--emulator=PROGRAM] LAUNCHER RUNTIME BASELINE [benchmark options]
// With --emulator (wine) the three programs are the Windows builds and run
// under it; the peak memory is then not read.
#include "platform/Clock.h"
#include "platform/Window.h"
#include "platform/WindowSearch.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

std::filesystem::path launcherProgram;
std::filesystem::path runtimeProgram;
std::filesystem::path baselineProgram;
std::string emulator;

std::string ReadFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

long PeakResidentKib(pid_t process)
{
    std::istringstream status(ReadFile("/proc/" + std::to_string(process) + "/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// A medium folder as the autorun finds it: the program at its root, the
// runtime as setup/Mobrun.exe with a script that only counts itself out.
class Medium {
public:
    explicit Medium(const std::filesystem::path& program)
        : folder(std::filesystem::temp_directory_path() / ("velmora-launcher-bench-" + std::to_string(getpid())))
    {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder / "setup");
        std::filesystem::copy_file(program, folder / program.filename());
        std::filesystem::copy_file(runtimeProgram, folder / "setup" / "Mobrun.exe");
        std::ofstream(folder / "setup" / "mobrun-script.txt") << "count-out\n";
        programName = program.filename().string();
        setenv("QUILLMARK_DEMO_TRACE", (folder / "trace.txt").c_str(), 1);
    }
    ~Medium() { std::filesystem::remove_all(folder); }

    // Starts the program in the medium's folder (under the emulator, if any).
    pid_t Start() const
    {
        std::filesystem::remove(folder / "trace.txt");
        const std::string program = "./" + programName;
        std::vector<const char*> argv;
        if (!emulator.empty())
            argv.push_back(emulator.c_str());
        argv.push_back(program.c_str());
        argv.push_back(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            if (chdir(folder.c_str()) == 0)
                execvp(argv[0], const_cast<char* const*>(argv.data()));
            _exit(127);
        }
        return child;
    }

    // Seconds until the runtime's first trace line, or a negative value.
    double WaitForRuntimeStart(std::chrono::steady_clock::time_point start) const
    {
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(30)) {
            if (ReadFile(folder / "trace.txt").find("[runtime] started") != std::string::npos)
                return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return -1;
    }

private:
    std::filesystem::path folder;
    std::string programName;
};

// Waits for the process's end, ending it by its PID after the timeout.
// True when it ended by itself with exit code 0.
bool WaitForEnd(pid_t process, std::chrono::milliseconds timeout)
{
    const auto start = std::chrono::steady_clock::now();
    int status = 0;
    while (waitpid(process, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() - start > timeout) {
            kill(process, SIGTERM);
            waitpid(process, &status, 0);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void LauncherStartToFirstPaint(benchmark::State& state)
{
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("needs a display");
        return;
    }
    const Medium medium(launcherProgram);
    long peakKib = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t launcher = medium.Start();
        const double seconds = medium.WaitForRuntimeStart(start);
        state.SetIterationTime(seconds > 0 ? seconds : 30.0);

        // Serving: let the runtime count itself out, then read the launcher's peak.
        platform::SleepMilliseconds(500);
        if (!emulator.empty()) {
            // The splash under the emulator is no window of ours to close: end the launcher.
            kill(launcher, SIGTERM);
            waitpid(launcher, nullptr, 0);
            continue;
        }
        peakKib = std::max(peakKib, PeakResidentKib(launcher));
        platform::RequestWindowClose(platform::FindTopLevelWindow("Velmora", ""));
        if (!WaitForEnd(launcher, std::chrono::seconds(30)) || seconds < 0)
            state.SkipWithError("the launcher did not paint, or did not end by itself with 0");
    }
    if (emulator.empty())
        state.counters["peak_resident_KiB"] = static_cast<double>(peakKib);
}
BENCHMARK(LauncherStartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

void BaselineStartToFirstPaint(benchmark::State& state)
{
    if (std::getenv("DISPLAY") == nullptr) {
        state.SkipWithError("needs a display");
        return;
    }
    const Medium medium(baselineProgram);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t baseline = medium.Start();
        const double seconds = medium.WaitForRuntimeStart(start);
        state.SetIterationTime(seconds > 0 ? seconds : 30.0);
        // The baseline ends once it has started the runtime; let the runtime end too.
        const bool ended = WaitForEnd(baseline, std::chrono::seconds(30));
        platform::SleepMilliseconds(100);
        if (!ended || seconds < 0)
            state.SkipWithError("the baseline did not paint, or did not end with 0");
    }
}
BENCHMARK(BaselineStartToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

} // namespace

int main(int argc, char** argv)
{
    std::vector<char*> arguments(argv, argv + argc);
    const std::string emulatorFlag = "--emulator=";
    for (auto it = arguments.begin() + 1; it != arguments.end(); ++it) {
        if (std::strncmp(*it, emulatorFlag.c_str(), emulatorFlag.size()) == 0) {
            emulator = *it + emulatorFlag.size();
            arguments.erase(it);
            break;
        }
    }
    if (arguments.size() < 4) {
        std::fprintf(stderr,
                     "usage: launcher_bench [--emulator=PROGRAM] LAUNCHER RUNTIME BASELINE [benchmark options]\n");
        return 2;
    }
    launcherProgram = std::filesystem::absolute(arguments[1]);
    runtimeProgram = std::filesystem::absolute(arguments[2]);
    baselineProgram = std::filesystem::absolute(arguments[3]);
    arguments.erase(arguments.begin() + 1, arguments.begin() + 4);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
