#pragma once

#include "platform/ChildProcess.h"

#include <filesystem>
#include <string>
#include <vector>

// Names unique to this test run (process id and a counter), and the check that
// nothing of them is left in the system's shared-memory folder. Where that
// folder does not exist (Windows) the kernel removes named objects with their
// last handle and there is nothing to look at.
inline std::string UniqueBusName(const std::string& stem)
{
    static int counter = 0;
    return stem + std::to_string(platform::CurrentProcessId()) + "n" + std::to_string(++counter);
}

inline std::vector<std::string> LeftoverSharedObjects(const std::string& prefix)
{
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
        const std::string name = entry.path().filename().string();
        if (name.compare(0, prefix.size(), prefix) == 0) {
            found.push_back(name);
        }
    }
    return found;
}

// After a peer was killed its segments stay until someone opens them again;
// tests that kill remove them by name.
inline void RemoveLeftoverSharedObjects(const std::string& prefix)
{
    std::error_code error;
    for (const std::string& name : LeftoverSharedObjects(prefix)) {
        std::filesystem::remove(std::filesystem::path("/dev/shm") / name, error);
    }
}
