#include "platform/ProcessList.h"
#include "TestFolder.h"
#include "platform/ProgramStart.h"

#include <gtest/gtest.h>

#include <cctype>

namespace {

bool ProcessListHas(const std::string& fileName)
{
    bool found = false;
    platform::VisitProcessFileNames([&](const char* name) {
        std::string upper(name);
        for (char& c : upper)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const size_t slash = upper.rfind('\\');
        found = upper.substr(slash == std::string::npos ? 0 : slash + 1) == fileName;
        return found;
    });
    return found;
}

} // namespace

// Tests that a running program appears in the list under its file name, in
// Windows spelling, and is gone once it has ended.
TEST(ProcessList, RunningProgramIsListedByFileName)
{
    TestFolder folder;
    folder.AddProbe("bin\\listedprobe.exe");
    ASSERT_TRUE(platform::StartProgramShown("bin\\listedprobe.exe --wait stop.flag", 1));
    bool listed = false;
    for (int waited = 0; waited < 10000 && !listed; waited += 50) {
        listed = ProcessListHas("LISTEDPROBE.EXE");
        if (!listed)
            platform::SleepMilliseconds(50);
    }
    std::ofstream(folder.Path() / "stop.flag") << "stop";
    EXPECT_TRUE(listed);
    bool gone = false;
    for (int waited = 0; waited < 10000 && !gone; waited += 50) {
        gone = !ProcessListHas("LISTEDPROBE.EXE");
        if (!gone)
            platform::SleepMilliseconds(50);
    }
    EXPECT_TRUE(gone);
}
