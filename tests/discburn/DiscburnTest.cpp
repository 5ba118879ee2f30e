#include "platform/Clock.h"
#include "platform/PipedChild.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

namespace {

// discburn run as people run it, with its output and errors read back.
struct Outcome {
    int exitCode = -1;
    std::string output;
};

class DiscburnTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("discburn-test-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Path(const std::string& name) const { return (folder / name).string(); }

    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::filesystem::create_directories((folder / name).parent_path());
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }

    static std::string ReadFile(const std::filesystem::path& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    // The virtual engine for the discburn started next, configured by text.
    void UseVirtualEngine(const std::string& config)
    {
        WriteFile("engine.conf", config);
        environment = {{"VIRTUAL_RECORDER_CONFIG", Path("engine.conf")}};
        if (std::string(VIRTUAL_RECORDER_REGISTRY).size() > 0) {
            environment.emplace_back("COM_CLASS_REGISTRY", VIRTUAL_RECORDER_REGISTRY);
        }
    }

    bool Start(platform::PipedChild& child, const std::string& program, const std::vector<std::string>& arguments,
               bool interruptible = false)
    {
        std::string failure;
        const bool started = child.Start(program, arguments, environment, failure, true, interruptible);
        EXPECT_TRUE(started) << program << ": " << failure;
        return started;
    }

    // Reads until the output holds marker or ends.
    static bool ReadUntil(platform::PipedChild& child, std::string& output, const std::string& marker)
    {
        const uint32_t start = platform::MillisecondClock();
        char buffer[4096];
        while (output.find(marker) == std::string::npos && platform::MillisecondClock() - start < timeoutMs) {
            const long got = child.Read(buffer, sizeof buffer, 100);
            if (got == platform::PipedChild::readEnded) {
                break;
            }
            if (got > 0) {
                output.append(buffer, static_cast<size_t>(got));
            }
        }
        return output.find(marker) != std::string::npos;
    }

    static Outcome Finish(platform::PipedChild& child, std::string output)
    {
        Outcome run;
        ReadUntil(child, output, std::string(1, '\0')); // to the end
        run.output = std::move(output);
        if (!child.Wait(timeoutMs, &run.exitCode)) {
            child.Kill();
        }
        return run;
    }

    Outcome RunProgram(const std::string& program, const std::vector<std::string>& arguments)
    {
        platform::PipedChild child;
        return Start(child, program, arguments) ? Finish(child, {}) : Outcome{};
    }

    Outcome Discburn(const std::vector<std::string>& arguments) { return RunProgram(DISCBURN_PROGRAM, arguments); }

    static constexpr uint32_t timeoutMs = 60000;
    std::filesystem::path folder;
    platform::PipedChild::EnvironmentChanges environment;
};

TEST_F(DiscburnTest, WritesFilesToTheChosenRecorderOfTheVirtualEngine)
{
    UseVirtualEngine("recorder " + Path("disc0.img") + " Virtual DVD+RW Recorder\nrecorder " + Path("disc1.img") +
                     "\nprogress-interval 5\n");
    const Outcome drives = Discburn({"drives"});
    EXPECT_EQ(drives.exitCode, 0) << drives.output;
    EXPECT_NE(drives.output.find("0: Virtual DVD+RW Recorder"), std::string::npos) << drives.output;
    EXPECT_NE(drives.output.find("1: (no model name)"), std::string::npos) << drives.output;

    const std::string bytes = std::string(70000, 'b') + std::string("\0\r\n\xff", 4);
    WriteFile("a.txt", "first light\n");
    WriteFile("b.bin", bytes);
    const Outcome write = Discburn({"write", "--drive", "1", Path("a.txt"), Path("b.bin")});
    EXPECT_EQ(write.exitCode, 0) << write.output;
    // Not a terminal: plain lines, the last one at 100.
    EXPECT_NE(write.output.find("progress 100%"), std::string::npos) << write.output;
    EXPECT_NE(write.output.find("written to recorder 1"), std::string::npos) << write.output;
    const std::string disc = ReadFile(Path("disc1.img"));
    EXPECT_NE(disc.find("ITEM 12 " + Path("a.txt") + "\nfirst light\n"), std::string::npos) << disc;
    EXPECT_NE(disc.find("ITEM " + std::to_string(bytes.size()) + " " + Path("b.bin") + "\n" + bytes),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Path("disc0.img")));
}

TEST_F(DiscburnTest, AMissingPathIsReportedBeforeAnythingIsWritten)
{
    UseVirtualEngine("recorder " + Path("disc.img") + " R\n");
    WriteFile("a.txt", "here");
    const Outcome write = Discburn({"write", Path("a.txt"), Path("gone.txt")});
    EXPECT_EQ(write.exitCode, 2) << write.output;
    EXPECT_NE(write.output.find("no such file or folder: " + Path("gone.txt")), std::string::npos) << write.output;
    EXPECT_FALSE(std::filesystem::exists(Path("disc.img")));
}

TEST_F(DiscburnTest, NoRecorderAndABadRecorderNumberEndWithTheirCode)
{
    UseVirtualEngine("recorder " + Path("disc.img") + " R\ncount 0\n");
    WriteFile("a.txt", "here");
    const Outcome none = Discburn({"write", Path("a.txt")});
    EXPECT_EQ(none.exitCode, 3) << none.output;
    EXPECT_NE(none.output.find("no recorder found"), std::string::npos) << none.output;

    UseVirtualEngine("recorder " + Path("disc.img") + " R\n");
    const Outcome wrong = Discburn({"eject", "--drive", "4"});
    EXPECT_EQ(wrong.exitCode, 3) << wrong.output;
    EXPECT_NE(wrong.output.find("there is no recorder 4; 1 found"), std::string::npos) << wrong.output;
    EXPECT_FALSE(std::filesystem::exists(Path("disc.img")));
}

// Ctrl-C asks Tessaly to stop the write, discburn waits for the end and
// says so; the disc keeps what it had. Tessaly, out of reach of the Ctrl-C,
// is stopped by the request alone.
TEST_F(DiscburnTest, CtrlCStopsTheWriteAndEndsWith130)
{
    UseVirtualEngine("recorder " + Path("disc.img") + " R\nprogress-step 2\nprogress-interval 100\n");
    WriteFile("disc.img", "earlier session");
    WriteFile("a.bin", std::string(100000, 'a'));
    platform::PipedChild discburn;
    ASSERT_TRUE(Start(discburn, DISCBURN_PROGRAM, {"write", Path("a.bin")}, true));
    std::string output;
    ASSERT_TRUE(ReadUntil(discburn, output, "progress   6%")) << output;
    ASSERT_TRUE(discburn.Interrupt());
    const Outcome run = Finish(discburn, output);
    EXPECT_EQ(run.exitCode, 130) << run.output;
    EXPECT_NE(run.output.find("stopping the write"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("the write was stopped"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("progress 100%"), std::string::npos) << run.output;
    EXPECT_EQ(ReadFile(Path("disc.img")), "earlier session");
}

#ifdef XORRISO_PROGRAM
// The libburn engine writes an image that reads back byte for byte, under
// the volume label asked for.
TEST_F(DiscburnTest, AnImageWrittenThroughLibburnReadsBackWithItsLabel)
{
    std::mt19937 random(7);
    std::string noise(3 * 1024 * 1024 + 5, '\0');
    for (char& byte : noise) {
        byte = static_cast<char>(random());
    }
    WriteFile("tree/readme.txt", "read me\n");
    WriteFile("tree/photos/noise.bin", noise);
    WriteFile("tree/photos/2026/empty.txt", "");
    WriteFile("tree/photos/2026/sunrise.txt", "first light\n");
    WriteFile("image.iso", std::string(5 * 1024 * 1024, 'x')); // longer than the image: emptied first
    const Outcome write = Discburn(
        {"write", "--image", Path("image.iso"), "--label", "QM_TEST_1", Path("tree/readme.txt"), Path("tree/photos")});
    ASSERT_EQ(write.exitCode, 0) << write.output;

    const Outcome extract = RunProgram(
        XORRISO_PROGRAM, {"-osirrox", "on", "-indev", Path("image.iso"), "-extract", "/", Path("extracted")});
    ASSERT_EQ(extract.exitCode, 0) << extract.output;
    size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder / "tree")) {
        const auto relative = std::filesystem::relative(entry.path(), folder / "tree");
        const auto copy = folder / "extracted" / relative;
        if (entry.is_directory()) {
            EXPECT_TRUE(std::filesystem::is_directory(copy)) << relative;
        } else {
            ++files;
            EXPECT_TRUE(ReadFile(entry.path()) == ReadFile(copy)) << relative;
        }
    }
    EXPECT_EQ(files, 4u);
    size_t extracted = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::recursive_directory_iterator(folder / "extracted")) {
        ++extracted;
    }
    EXPECT_EQ(extracted, 6u); // nothing more than was written

    const Outcome info = RunProgram(XORRISO_PROGRAM, {"-indev", Path("image.iso"), "-pvd_info"});
    EXPECT_NE(info.output.find("Volume Id    : QM_TEST_1\n"), std::string::npos) << info.output;
}
#endif

} // namespace
