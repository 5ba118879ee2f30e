#include "com/ClassRegistry.h"

#include <cstdlib>
#include <fstream>
#include <limits.h>
#include <unistd.h>

namespace com {

namespace {

std::string ExecutablePath()
{
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

std::string FolderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    const size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

std::vector<std::string> ClassRegistry::SearchPath()
{
    std::vector<std::string> files;
    if (const char* named = std::getenv("COM_CLASS_REGISTRY"); named != nullptr && *named != '\0') {
        files.emplace_back(named);
    }
    const std::string program = ExecutablePath();
    const std::string buildTree = COM_BUILD_TREE;
    if (!program.empty() && program.compare(0, buildTree.size() + 1, buildTree + "/") == 0) {
        files.push_back(buildTree + "/etc/com-classes");
    } else if (!program.empty()) {
        // <prefix>/bin/program -> <prefix>/etc/com-classes
        files.push_back(FolderOf(FolderOf(program)) + "/etc/com-classes");
    }
    return files;
}

std::optional<GUID> ClassRegistry::ParseGuid(const std::string& text)
{
    // Positions of the hex digits in "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
    if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' || text[14] != '-' ||
        text[19] != '-' || text[24] != '-') {
        return std::nullopt;
    }
    uint8_t bytes[16];
    size_t out = 0;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        if (text[i] == '-') {
            continue;
        }
        const int high = HexValue(text[i]);
        const int low = HexValue(text[i + 1]);
        if (high < 0 || low < 0 || text[i + 1] == '-') {
            return std::nullopt;
        }
        bytes[out++] = static_cast<uint8_t>(high * 16 + low);
        ++i;
    }
    if (out != 16) {
        return std::nullopt;
    }
    GUID guid{};
    guid.Data1 = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
    guid.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    std::memcpy(guid.Data4, bytes + 8, 8);
    return guid;
}

std::optional<std::string> ClassRegistry::FindLibrary(REFCLSID clsid, const std::vector<std::string>& files)
{
    for (const std::string& file : files) {
        std::ifstream in(file);
        std::string line;
        while (std::getline(in, line)) {
            if (const size_t comment = line.find('#'); comment != std::string::npos) {
                line.erase(comment);
            }
            line = Trimmed(line);
            const size_t blank = line.find_first_of(" \t");
            if (blank == std::string::npos) {
                continue;
            }
            const std::optional<GUID> listed = ParseGuid(line.substr(0, blank));
            const std::string library = Trimmed(line.substr(blank));
            if (listed && IsEqualGUID(*listed, clsid) && !library.empty()) {
                return library;
            }
        }
    }
    return std::nullopt;
}

} // namespace com
