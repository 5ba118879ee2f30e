#include "launcher/COSetupExecuter.h"
#include "TestFolder.h"
#include "events/CODispatcher.h"
#include "events/CommonObjectEventManager.h"
#include "launcher/LauncherState.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

// Another receiver of the executer's dispatcher: counts the ping answers.
class AnswerCounter : public CommonObjectBase {
public:
    int answers = 0;
    bool HandleEvent(COEvent* event) override
    {
        if (event->eventCode != EXECUTER_PONG)
            return CommonObjectBase::HandleEvent(event);
        ++answers;
        return true;
    }
};

// The executer on a local dispatcher of its name (so no shared memory is
// involved), with the answer counter behind it on the receiver list.
class ExecuterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        activeClients = 1;
        bus = std::make_unique<CODispatcher>("VeraVODEveda");
        sut = std::make_unique<COSetupExecuter>();
        counter = std::make_unique<AnswerCounter>();
        counter->Request("VeraVODEveda");
    }
    void TearDown() override
    {
        counter.reset();
        sut.reset();
        bus.reset();
        activeClients = 0;
    }

    long Send(unsigned int code, void* data = nullptr, int size = 0)
    {
        return CommonObjectEventManager::staticSendEvent(0, sut->GetID(), code, data, size, 0);
    }

    // A folder's path in Windows spelling, as the runtime would send it.
    static std::string WindowsSpelling(const std::filesystem::path& path)
    {
        std::string text = path.string();
        for (char& c : text) {
            if (c == '/')
                c = '\\';
        }
        return text;
    }

    CommonObjectEventManager manager{nullptr};
    std::unique_ptr<CODispatcher> bus;
    std::unique_ptr<COSetupExecuter> sut;
    std::unique_ptr<AnswerCounter> counter;
};

std::vector<uint8_t> WinExecData(int32_t showMode, const std::string& line)
{
    std::vector<uint8_t> data(4 + line.size() + 1, 0);
    std::memcpy(data.data(), &showMode, 4);
    std::memcpy(data.data() + 4, line.c_str(), line.size());
    return data;
}

} // namespace

// Tests that the executer joins the dispatcher registered under its name and leaves it again.
TEST_F(ExecuterTest, JoinsTheRegisteredDispatcherAndLeavesIt)
{
    EXPECT_EQ(CommonObjectEventManager::staticGetDispatcher("VeraVODEveda"), bus->GetID());
    EXPECT_TRUE(bus->ExistsReceiver(sut->GetID()));
    const long id = sut->GetID();
    sut.reset();
    EXPECT_FALSE(bus->ExistsReceiver(id));
}

// Tests the client count: two ins and three outs go from 1 to 3 and down to
// 0, and further outs go below 0.
TEST_F(ExecuterTest, CountsClientsInAndOutWithoutLowerBound)
{
    EXPECT_EQ(Send(EXECUTER_CLIENT_IN), sut->GetID());
    Send(EXECUTER_CLIENT_IN);
    EXPECT_EQ(activeClients, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(Send(EXECUTER_CLIENT_OUT), sut->GetID());
    EXPECT_EQ(activeClients, 0);
    Send(EXECUTER_CLIENT_OUT);
    EXPECT_EQ(activeClients, -1);
}

// Tests that a ping yields exactly one answer through the dispatcher, which
// the executer itself does not take; unknown codes are not taken either.
TEST_F(ExecuterTest, PingIsAnsweredOnceThroughTheDispatcher)
{
    EXPECT_EQ(Send(EXECUTER_PING), sut->GetID());
    EXPECT_EQ(counter->answers, 1);
    EXPECT_EQ(Send(EXECUTER_PONG), 0);
    EXPECT_EQ(Send(0x1234), 0);
    EXPECT_EQ(counter->answers, 1);
}

// Tests the CreateProcess request: split at the last backslash, the folder
// part made current (its text ends at the split) and the rest started there;
// a text without a backslash starts from the current folder.
TEST_F(ExecuterTest, CreateProcessSplitsAtLastBackslashAndStartsInThatFolder)
{
    TestFolder folder;
    folder.AddProbe("tools\\probe.exe");
    const std::string tools = WindowsSpelling(folder.Path() / "tools");
    std::string text = tools + "\\probe.exe split.txt first";
    std::vector<char> data(text.begin(), text.end());
    data.push_back('\0');
    EXPECT_EQ(Send(EXECUTER_CREATE_PROCESS, data.data(), static_cast<int>(data.size())), sut->GetID());
    EXPECT_STREQ(data.data(), tools.c_str());
    const std::filesystem::path toolsFolder = std::filesystem::canonical(folder.Path() / "tools");
    EXPECT_EQ(std::filesystem::path(platform::CurrentFolder()), toolsFolder);
    EXPECT_EQ(WaitForReport(toolsFolder / "split.txt"), (std::vector<std::string>{platform::CurrentFolder(), "first"}));

    char bare[] = "probe.exe bare.txt";
    Send(EXECUTER_CREATE_PROCESS, bare, sizeof bare);
    EXPECT_EQ(WaitForReport(toolsFolder / "bare.txt").size(), 1u);
}

// Tests the WinExec request's folder rule: only a program named with a path
// (a backslash before the first blank) is taken from the drive's root.
TEST_F(ExecuterTest, WinExecGoesToTheRootOnlyForProgramsNamedWithAPath)
{
    TestFolder folder;
    folder.AddProbe("bin\\probe.exe");
    folder.AddProbe("probe.exe");
    const std::string here = platform::CurrentFolder();
    const std::string reports = folder.Path().generic_string();

    std::vector<uint8_t> argument = WinExecData(1, "probe.exe " + reports + "/argument.txt with\\backslash");
    EXPECT_EQ(Send(EXECUTER_WIN_EXEC, argument.data(), static_cast<int>(argument.size())), sut->GetID());
    EXPECT_EQ(platform::CurrentFolder(), here);
    EXPECT_EQ(WaitForReport(folder.Path() / "argument.txt"), (std::vector<std::string>{here, "with\\backslash"}));

    std::vector<uint8_t> noBlank = WinExecData(1, "bin\\probe.exe");
    Send(EXECUTER_WIN_EXEC, noBlank.data(), static_cast<int>(noBlank.size()));
    EXPECT_EQ(platform::CurrentFolder(), here);

    // From the root, the folder's own path leads back to the probe.
    std::string fromRoot = WindowsSpelling(folder.Path() / "bin" / "probe.exe");
    fromRoot = fromRoot.substr(fromRoot.find('\\') + 1);
    std::vector<uint8_t> withPath = WinExecData(5, fromRoot + " " + reports + "/root.txt");
    Send(EXECUTER_WIN_EXEC, withPath.data(), static_cast<int>(withPath.size()));
    const std::vector<std::string> report = WaitForReport(folder.Path() / "root.txt");
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(report[0], platform::CurrentFolder());
    EXPECT_EQ(std::filesystem::path(report[0]), std::filesystem::path(report[0]).root_path());
}

// Tests that start requests without data (a plain value in data, as a
// data-less event from another process brings), or with text that is not
// terminated within the event's size, are taken but start nothing.
TEST_F(ExecuterTest, StartRequestsWithoutUsableTextStartNothing)
{
    TestFolder folder;
    const std::string here = platform::CurrentFolder();
    EXPECT_EQ(Send(EXECUTER_CREATE_PROCESS), sut->GetID());
    EXPECT_EQ(Send(EXECUTER_WIN_EXEC), sut->GetID());
    void* value = reinterpret_cast<void*>(static_cast<intptr_t>(12345));
    EXPECT_EQ(Send(EXECUTER_CREATE_PROCESS, value), sut->GetID());
    EXPECT_EQ(Send(EXECUTER_WIN_EXEC, value), sut->GetID());
    char unterminated[] = {'a', '\\', 'b'};
    Send(EXECUTER_CREATE_PROCESS, unterminated, sizeof unterminated);
    EXPECT_EQ(unterminated[1], '\\');
    std::vector<uint8_t> shortPayload = {5, 0, 0};
    Send(EXECUTER_WIN_EXEC, shortPayload.data(), static_cast<int>(shortPayload.size()));
    EXPECT_EQ(platform::CurrentFolder(), here);
}
