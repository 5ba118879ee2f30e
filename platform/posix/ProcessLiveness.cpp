#include "platform/ProcessLiveness.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

ProcessRun QueryProcessStart(uint32_t processId, uint64_t* startMs)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%u/stat", processId);
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        return errno == ENOENT || errno == ESRCH ? ProcessRun::Ended : ProcessRun::Unknown;
    }
    char line[1024];
    const size_t length = std::fread(line, 1, sizeof line - 1, file);
    std::fclose(file);
    line[length] = '\0';
    // The command name may hold spaces and parentheses; the fields after it
    // start behind the last ')'. State is field 3, the start time field 22.
    const char* rest = std::strrchr(line, ')');
    char state = 0;
    unsigned long long startTicks = 0;
    if (rest == nullptr ||
        std::sscanf(rest + 1, " %c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                    &state, &startTicks) != 2) {
        return ProcessRun::Unknown;
    }
    if (state == 'Z' || state == 'X' || state == 'x') {
        return ProcessRun::Ended;
    }
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    *startMs = startTicks * 1000ULL / static_cast<unsigned long long>(ticksPerSecond > 0 ? ticksPerSecond : 100);
    return ProcessRun::Running;
}

uint64_t ProcessClockNowMs()
{
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000ULL + static_cast<uint64_t>(now.tv_nsec) / 1000000ULL;
}

std::string ProcessName(uint32_t processId)
{
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%u/comm", processId);
    std::FILE* file = std::fopen(path, "r");
    if (file == nullptr) {
        return std::string();
    }
    char name[64] = {};
    const bool read = std::fgets(name, sizeof name, file) != nullptr;
    std::fclose(file);
    std::string result = read ? name : "";
    while (!result.empty() && result.back() == '\n') {
        result.pop_back();
    }
    return result;
}

bool RaiseDescriptorLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return false;
    }
    if (limit.rlim_cur == limit.rlim_max) {
        return true;
    }
    limit.rlim_cur = limit.rlim_max;
    return setrlimit(RLIMIT_NOFILE, &limit) == 0;
}

} // namespace platform
