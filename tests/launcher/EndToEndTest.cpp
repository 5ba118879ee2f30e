#include "TestFolder.h"
#include "platform/CommandLine.h"
#include "platform/ProgramStart.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace {

// The setup script of the run: a second client, the three ways of starting a
// program, a ping, and both clients counting out only after the splash's 20
// seconds are over. Reports go to absolute paths without backslashes, so that
// the split at the last backslash stays in the program's path.
constexpr const char* kScript = "count-in\n"
                                "start %MEDIUM%\\programs\\probe.exe %MEDIUM/%/reports/create.txt first\n"
                                "winexec 5 probe.exe %MEDIUM/%/reports/bare.txt with\\backslash\n"
                                "winexec 5 %MEDIUM-FROM-ROOT%\\programs\\probe.exe %MEDIUM/%/reports/root.txt\n"
                                "ping 10000\n"
                                "wait 22000\n"
                                "count-out\n"
                                "wait 300\n"
                                "count-out\n";

std::vector<std::string> Lines(const std::filesystem::path& file)
{
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// The arguments the runtime reports in its trace ("... started in FOLDER with: LINE").
std::vector<std::string> RuntimeArguments(const std::vector<std::string>& trace)
{
    for (const std::string& line : trace) {
        const size_t with = line.find(" with: ");
        if (line.rfind("[runtime] started in ", 0) == 0 && with != std::string::npos)
            return platform::SplitArguments(line.substr(with + 7));
    }
    return {};
}

std::filesystem::path Canonical(const std::string& folder)
{
    std::error_code ignored;
    return std::filesystem::canonical(folder, ignored);
}

} // namespace

// Tests a whole run on a demo medium: the runtime gets the launcher's line,
// upper-cased and cut, with the executer's name; the requested programs start
// in the folders the requests imply; the ping is answered; the launcher
// outlives its splash while clients are active and ends with 0 when they are gone.
TEST(EndToEnd, LauncherServesTheSetupRuntimeUntilItsClientsAreGone)
{
    const std::filesystem::path medium =
        std::filesystem::path(E2E_ROOT) / ("medium-" + std::to_string(TestFolder::ProcessNumber()));
    std::filesystem::remove_all(medium);
    std::filesystem::create_directories(medium / "setup");
    std::filesystem::create_directories(medium / "programs");
    std::filesystem::create_directories(medium / "reports");
    const std::filesystem::path launcher = medium / std::filesystem::path(LAUNCHER_PROGRAM).filename();
    std::filesystem::copy_file(LAUNCHER_PROGRAM, launcher);
    std::filesystem::copy_file(RUNTIME_PROGRAM, medium / "setup" / "Mobrun.exe");
    std::filesystem::copy_file(PROBE_PROGRAM, medium / "programs" / "probe.exe");
    std::ofstream(medium / "setup" / "mobrun-script.txt") << kScript;
    static std::string traceSetting = "QUILLMARK_DEMO_TRACE=" + (medium / "trace.txt").string();
    putenv(traceSetting.data());

    const std::string longArgument(900, 'w');
    const std::string line = "\"" + launcher.string() + "\" Hello \"two words\" " + longArgument;
    const auto start = std::chrono::steady_clock::now();
    int exitCode = -1;
    // The launcher runs in its medium's root, as the autorun starts it.
    TestFolder::Enter(medium);
    const bool ended = platform::RunProgramToEnd(line.c_str(), 90000, &exitCode);
    TestFolder::Leave();
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ASSERT_TRUE(ended) << "the launcher did not end within 90 s";
    EXPECT_EQ(exitCode, 0);
    EXPECT_GT(seconds, 22.0) << "ended before its clients counted out";
    EXPECT_LT(seconds, 40.0);

    // The launcher may end as soon as the last client counts out, a moment
    // before the runtime writes its own last line.
    std::vector<std::string> trace;
    for (int wait = 0; wait < 100; ++wait) {
        trace = Lines(medium / "trace.txt");
        if (std::any_of(trace.begin(), trace.end(),
                        [](const std::string& l) { return l.rfind("[runtime] ends with", 0) == 0; }))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    const std::vector<std::string> expected = {"RADerav",       "SetupProgram=RUZovoz",    "Server=None",
                                               "Wnd=Maximized", "Executer=VeraVODEveda",   "HELLO",
                                               "TWO WORDS",     std::string(799 - 18, 'W')};
    EXPECT_EQ(RuntimeArguments(trace), expected);
    EXPECT_NE(std::find(trace.begin(), trace.end(), "[runtime] ping answered (0xE004)"), trace.end());
    EXPECT_NE(std::find(trace.begin(), trace.end(), "[runtime] ends with 0"), trace.end());

    const std::vector<std::string> create = Lines(medium / "reports" / "create.txt");
    ASSERT_EQ(create.size(), 2u);
    EXPECT_EQ(Canonical(create[0]), Canonical((medium / "programs").string()));
    const std::vector<std::string> bare = Lines(medium / "reports" / "bare.txt");
    ASSERT_EQ(bare.size(), 2u);
    EXPECT_EQ(Canonical(bare[0]), Canonical((medium / "programs").string())) << "a bare name changes no folder";
    EXPECT_EQ(bare[1], "with\\backslash");
    const std::vector<std::string> root = Lines(medium / "reports" / "root.txt");
    ASSERT_EQ(root.size(), 1u);
    EXPECT_EQ(Canonical(root[0]), Canonical(root[0]).root_path()) << "a path from the root starts at the root";
    std::filesystem::remove_all(medium);
}
