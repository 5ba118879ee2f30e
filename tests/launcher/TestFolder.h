#pragma once

#include "platform/Clock.h"
#include "platform/CurrentFolder.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

// A folder of its own for one test, named after the process and a counter,
// made current while the test runs and removed afterwards.
class TestFolder {
public:
    TestFolder() : previous_(platform::CurrentFolder())
    {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("velmora-launcher-" + std::to_string(ProcessNumber()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
        platform::ChangeCurrentFolder(path_.string().c_str());
    }
    ~TestFolder()
    {
        platform::ChangeCurrentFolder(previous_.c_str());
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Copies the probe program into the folder (sub folders made) under `name`.
    void AddProbe(std::string name) const
    {
        for (char& c : name) {
            if (c == '\\')
                c = '/';
        }
        const std::filesystem::path target = path_ / name;
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(PROBE_PROGRAM, target, std::filesystem::copy_options::overwrite_existing);
    }

    static unsigned long ProcessNumber();

    // Makes another folder current for a while, and returns to the one before.
    static void Enter(const std::filesystem::path& folder)
    {
        entered_ = platform::CurrentFolder();
        platform::ChangeCurrentFolder(folder.string().c_str());
    }
    static void Leave() { platform::ChangeCurrentFolder(entered_.c_str()); }

private:
    static inline std::string entered_;
    std::string previous_;
    std::filesystem::path path_;
};

// The lines of a file that a started program writes, once it is complete;
// empty when it does not appear within the time.
inline std::vector<std::string> WaitForReport(const std::filesystem::path& file, int milliseconds = 15000)
{
    for (int waited = 0; waited < milliseconds; waited += 20) {
        std::ifstream in(file);
        if (in) {
            std::vector<std::string> lines;
            std::string line;
            while (std::getline(in, line))
                lines.push_back(line);
            return lines;
        }
        platform::SleepMilliseconds(20);
    }
    return {};
}
