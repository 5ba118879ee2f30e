#include "engines/libburn/PseudoDriveConfig.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

namespace {
constexpr std::string_view stdioPrefix = "stdio:";

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The file's lines, each without its comment (from '#' on).
std::vector<std::string> uncommentedLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        const auto comment = line.find('#');
        if (comment != std::string::npos)
            line.erase(comment);
        lines.push_back(std::move(line));
    }
    return lines;
}
} // namespace

void PseudoDriveConfig::addEntry(std::vector<std::string>& addresses, std::string entry)
{
    entry = trimmed(entry);
    if (entry.starts_with(stdioPrefix))
        entry.erase(0, stdioPrefix.size());
    if (entry.empty() || entry.front() != '/')
        return;
    std::string address = std::string(stdioPrefix) + entry;
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
        addresses.push_back(std::move(address));
}

std::vector<std::string> PseudoDriveConfig::parseVariable(const std::string& text)
{
    std::vector<std::string> addresses;
    std::size_t start = 0;
    while (start <= text.size()) {
        auto end = text.find(':', start);
        if (end == std::string::npos)
            end = text.size();
        std::string entry = text.substr(start, end - start);
        // "stdio:/x" contains the separator itself: glue the prefix back on.
        if (entry == "stdio" && end < text.size()) {
            const auto next = text.find(':', end + 1);
            const auto stop = next == std::string::npos ? text.size() : next;
            entry = text.substr(start, stop - start);
            end = stop;
        }
        addEntry(addresses, entry);
        start = end + 1;
    }
    return addresses;
}

std::vector<std::string> PseudoDriveConfig::parseFile(const std::string& text)
{
    std::vector<std::string> addresses;
    for (const std::string& line : uncommentedLines(text))
        addEntry(addresses, line);
    return addresses;
}

std::string PseudoDriveConfig::parseVolumeLabel(const std::string& text)
{
    constexpr std::string_view keyword = "volume-label";
    std::string label;
    for (const std::string& uncommented : uncommentedLines(text)) {
        const std::string line = trimmed(uncommented);
        if (line.size() > keyword.size() && line.starts_with(keyword) &&
            (line[keyword.size()] == ' ' || line[keyword.size()] == '\t'))
            label = trimmed(line.substr(keyword.size())).substr(0, volumeLabelLimit);
    }
    return label;
}

std::string PseudoDriveConfig::defaultConfigPath()
{
    return BURN_ENGINE_DEFAULT_CONFIG;
}

std::string PseudoDriveConfig::configText()
{
    const char* configured = std::getenv(configVariable);
    std::ifstream file(configured && *configured ? std::string(configured) : defaultConfigPath());
    std::ostringstream text;
    if (file)
        text << file.rdbuf();
    return text.str();
}

std::vector<std::string> PseudoDriveConfig::load()
{
    std::vector<std::string> addresses;
    if (const char* variable = std::getenv(drivesVariable))
        addresses = parseVariable(variable);
    for (auto& address : parseFile(configText())) {
        if (std::find(addresses.begin(), addresses.end(), address) == addresses.end())
            addresses.push_back(std::move(address));
    }
    return addresses;
}

std::string PseudoDriveConfig::loadVolumeLabel()
{
    const std::string label = parseVolumeLabel(configText());
    return label.empty() ? defaultVolumeLabel : label;
}
