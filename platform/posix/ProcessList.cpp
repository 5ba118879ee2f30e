#include "platform/ProcessList.h"

#include <cctype>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <string>
#include <unistd.h>

namespace platform {

namespace {

std::string ExecutablePath(const char* pid)
{
    const std::string folder = std::string("/proc/") + pid;
    char target[PATH_MAX];
    const ssize_t length = readlink((folder + "/exe").c_str(), target, sizeof target - 1);
    if (length > 0) {
        std::string path(target, static_cast<size_t>(length));
        const std::string deleted = " (deleted)";
        if (path.size() > deleted.size() && path.compare(path.size() - deleted.size(), deleted.size(), deleted) == 0)
            path.erase(path.size() - deleted.size());
        return path;
    }
    // Without access to the link, the first word of the command line names the program.
    std::string first;
    if (FILE* file = std::fopen((folder + "/cmdline").c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(file)) != EOF && c != '\0')
            first += static_cast<char>(c);
        std::fclose(file);
    }
    return first;
}

bool IsProcessFolder(const char* name)
{
    if (*name == '\0')
        return false;
    for (; *name != '\0'; ++name) {
        if (!std::isdigit(static_cast<unsigned char>(*name)))
            return false;
    }
    return true;
}

} // namespace

bool VisitProcessFileNames(const std::function<bool(const char* fileName)>& visit)
{
    DIR* processes = opendir("/proc");
    if (processes == nullptr)
        return false;
    while (dirent* entry = readdir(processes)) {
        if (!IsProcessFolder(entry->d_name))
            continue;
        std::string path = ExecutablePath(entry->d_name);
        if (path.empty())
            continue;
        for (char& c : path) {
            if (c == '/')
                c = '\\';
        }
        if (visit(path.c_str()))
            break;
    }
    closedir(processes);
    return true;
}

} // namespace platform
