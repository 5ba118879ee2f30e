#include "discclient/TessalyClient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using discclient::DriveOperation;
using discclient::TessalyClient;
using discclient::TessalyError;

namespace {

// A folder of this test's files, removed at the end.
class ClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::temp_directory_path() /
                 ("discclient-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string Path(const std::string& name) const { return (folder / name).string(); }

    void WriteFile(const std::string& name, const std::string& bytes) const
    {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }

    std::string ReadFile(const std::string& name) const
    {
        std::ifstream in(Path(name), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    // Options for Tessaly with the virtual engine configured by text.
    TessalyClient::Options Virtual(const std::string& config) const
    {
        WriteFile("engine.conf", config);
        TessalyClient::Options options;
        options.program = TESSALY_PROGRAM;
        options.environment = {{"VIRTUAL_RECORDER_CONFIG", Path("engine.conf")}};
        if (std::string(VIRTUAL_RECORDER_REGISTRY).size() > 0) {
            options.environment.emplace_back("COM_CLASS_REGISTRY", VIRTUAL_RECORDER_REGISTRY);
        }
        return options;
    }

    std::filesystem::path folder;
};

} // namespace

TEST_F(ClientTest, EveryCommandGivesItsTypedResultAndAWriteReportsItsProgress)
{
    TessalyClient client(Virtual("recorder " + Path("disc0.img") + " Virtual DVD+RW Recorder\nrecorder " +
                                 Path("disc1.img") + "\nprogress-interval 5\n"));
    client.Start();
    std::vector<int> progress;
    client.OnProgress([&](int percent) { progress.push_back(percent); });
    EXPECT_EQ(client.RecorderCount(), 2);
    EXPECT_EQ(client.Model(), "Virtual DVD+RW Recorder");
    client.Select(1);
    EXPECT_EQ(client.Model(), "");
    client.Eject();
    client.CloseTray();
    EXPECT_TRUE(client.Format());
    EXPECT_EQ(client.CurrentOperation(), DriveOperation::Idle);
    WriteFile("item.bin", std::string(100000, 'q'));
    EXPECT_TRUE(client.Add(Path("item.bin")));
    EXPECT_FALSE(client.Add(Path("missing.bin")));

    EXPECT_EQ(client.Write(nullptr, 20), TessalyClient::WriteOutcome::Written);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_NE(ReadFile("disc1.img").find("ITEM 100000 " + Path("item.bin") + "\n" + std::string(100000, 'q')),
              std::string::npos);
    // Nothing left to write: the engine says so and the write fails.
    EXPECT_EQ(client.Write(nullptr, 20), TessalyClient::WriteOutcome::Failed);
    ASSERT_FALSE(client.EngineErrors().empty());
    EXPECT_EQ(client.EngineErrors().back().code, 3);
    EXPECT_EQ(client.Close(), 2);
}

TEST_F(ClientTest, AStoppedWriteEndsStoppedAndLeavesTheDiscAsItWas)
{
    TessalyClient client(Virtual("recorder " + Path("disc.img") + "\nprogress-interval 200\nprogress-step 5\n"));
    client.Start();
    WriteFile("item.bin", "abc");
    ASSERT_TRUE(client.Add(Path("item.bin")));
    int seen = -1;
    client.OnProgress([&](int percent) { seen = percent; });
    EXPECT_EQ(client.Write([&] { return seen >= 10; }, 20), TessalyClient::WriteOutcome::Stopped);
    EXPECT_LT(seen, 100);
    EXPECT_EQ(ReadFile("disc.img"), "");
    EXPECT_EQ(client.Close(), 1);
}

// A failed engine call makes Tessaly give up without a word: the client
// says that it ended, with its exit status.
TEST_F(ClientTest, ATessalyThatEndsIsReportedWithItsExitStatus)
{
    TessalyClient client(Virtual("recorder " + Path("disc.img") + "\nstatus EjectTray E_FAIL\n"));
    client.Start();
    try {
        client.Eject();
        FAIL() << "no error";
    } catch (const TessalyError& error) {
        EXPECT_EQ(error.kind, TessalyError::Kind::Ended);
        EXPECT_EQ(error.exitCode, 0);
        EXPECT_NE(std::string(error.what()).find("exit status 0"), std::string::npos) << error.what();
    }
    EXPECT_THROW(client.RecorderCount(), TessalyError);
}

TEST_F(ClientTest, ASlowAnswerTimesOutAndTheProgramIsEndedAfterwards)
{
    TessalyClient::Options options = Virtual("recorder " + Path("disc.img") + "\ndelay GetRecorderModel 3000\n");
    options.replyTimeoutMs = 300;
    options.closeTimeoutMs = 200;
    {
        TessalyClient client(options);
        client.Start();
        try {
            client.Model();
            FAIL() << "no timeout";
        } catch (const TessalyError& error) {
            EXPECT_EQ(error.kind, TessalyError::Kind::TimedOut);
        }
    }
    // A recorder that never comes back to idle: the write is given up.
    options = Virtual("recorder " + Path("disc.img") + "\noperation 2\nprogress-interval 1\n");
    options.writeStallTimeoutMs = 500;
    {
        TessalyClient stuck(options);
        stuck.Start();
        WriteFile("item.bin", "abc");
        ASSERT_TRUE(stuck.Add(Path("item.bin")));
        try {
            stuck.Write(nullptr, 20);
            FAIL() << "no timeout";
        } catch (const TessalyError& error) {
            EXPECT_EQ(error.kind, TessalyError::Kind::TimedOut);
        }
    }
    options.program = Path("no-such-program");
    TessalyClient missing(options);
    try {
        missing.Start();
        FAIL() << "started";
    } catch (const TessalyError& error) {
        EXPECT_EQ(error.kind, TessalyError::Kind::StartFailed);
    }
}

TEST_F(ClientTest, CommandsThatWouldCutTheLineAreRefused)
{
    TessalyClient client(Virtual("recorder " + Path("disc.img") + "\n"));
    client.Start();
    WriteFile("item.bin", "abc");
    try {
        client.Add(Path("item.bin") + "\nFormat");
        FAIL() << "sent";
    } catch (const TessalyError& error) {
        EXPECT_EQ(error.kind, TessalyError::Kind::BadCommand);
    }
    EXPECT_EQ(client.RecorderCount(), 1);
    EXPECT_EQ(client.Close(), 1);
}
