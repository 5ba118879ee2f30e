#include "engines/virtual/VirtualRecorderConfig.h"

#include "platform/Environment.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string Trimmed(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::optional<long long> NumberOf(const std::string& text)
{
    if (text.empty()) {
        return std::nullopt;
    }
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (*end != '\0') {
        return std::nullopt;
    }
    return value;
}

std::optional<HRESULT> StatusNamed(const std::string& text)
{
    static const std::map<std::string, HRESULT> names = {
        {"S_OK", S_OK},           {"S_FALSE", S_FALSE},           {"E_FAIL", E_FAIL},
        {"E_NOTIMPL", E_NOTIMPL}, {"E_INVALIDARG", E_INVALIDARG}, {"E_OUTOFMEMORY", E_OUTOFMEMORY},
        {"E_POINTER", E_POINTER}, {"E_UNEXPECTED", E_UNEXPECTED}, {"E_ACCESSDENIED", E_ACCESSDENIED}};
    if (auto found = names.find(text); found != names.end()) {
        return found->second;
    }
    if (auto number = NumberOf(text); number && *number >= INT32_MIN && *number <= UINT32_MAX) {
        return static_cast<HRESULT>(static_cast<uint32_t>(*number));
    }
    return std::nullopt;
}

bool KnownOperation(const std::string& name)
{
    static const char* const operations[] = {"Create",
                                             "EjectTray",
                                             "BeginWriting",
                                             "StopWriting",
                                             "FormatDisc",
                                             "AddItem",
                                             "Initialize",
                                             "Shutdown",
                                             "CloseTray",
                                             "GetRecorderCount",
                                             "SelectRecorder",
                                             "GetRecorderModel",
                                             "GetCurrentOperation",
                                             "SetWriteOption"};
    for (const char* operation : operations) {
        if (name == operation) {
            return true;
        }
    }
    return false;
}

} // namespace

VirtualRecorderConfig VirtualRecorderConfig::Load()
{
    const std::optional<std::string> file = platform::EnvironmentVariable("VIRTUAL_RECORDER_CONFIG");
    if (!file || file->empty()) {
        VirtualRecorderConfig defaults;
        const std::filesystem::path disc = std::filesystem::temp_directory_path() / "virtual-recorder-0.disc";
        defaults.recorders.push_back({disc.string(), "Virtual DVD+RW Recorder"});
        return defaults;
    }
    std::ifstream in(*file);
    if (!in) {
        VirtualRecorderConfig unreadable;
        unreadable.problems.push_back("cannot read the configuration " + *file);
        return unreadable;
    }
    return Parse(in);
}

VirtualRecorderConfig VirtualRecorderConfig::Parse(std::istream& in)
{
    VirtualRecorderConfig config;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (const size_t comment = line.find('#'); comment != std::string::npos) {
            line.erase(comment);
        }
        line = Trimmed(line);
        if (line.empty()) {
            continue;
        }
        std::istringstream words(line);
        std::string key;
        std::string first;
        words >> key >> first;
        std::string rest;
        std::getline(words, rest);
        rest = Trimmed(rest);
        bool understood = !first.empty();
        if (understood && key == "recorder") {
            config.recorders.push_back({first, rest.empty() ? std::nullopt : std::optional<std::string>(rest)});
        } else if (understood && key == "status") {
            const auto status = StatusNamed(rest);
            understood = KnownOperation(first) && status.has_value();
            if (understood) {
                config.statuses[first] = *status;
            }
        } else if (understood && key == "delay") {
            const auto ms = NumberOf(rest);
            understood = KnownOperation(first) && ms && *ms >= 0 && *ms <= 600000;
            if (understood) {
                config.delays[first] = static_cast<uint32_t>(*ms);
            }
        } else if (understood && key == "count") {
            std::istringstream values(first + " " + rest);
            std::string value;
            while (understood && values >> value) {
                const auto count = NumberOf(value);
                understood = count && *count >= INT16_MIN && *count <= INT16_MAX;
                if (understood) {
                    config.reportedCounts.push_back(static_cast<SHORT>(*count));
                }
            }
        } else if (understood && key == "operation" && rest.empty()) {
            const auto code = NumberOf(first);
            understood = code && *code >= INT32_MIN && *code <= INT32_MAX;
            if (understood) {
                config.reportedOperation = static_cast<LONG>(*code);
            }
        } else if (understood && key == "progress-step" && rest.empty()) {
            const auto step = NumberOf(first);
            understood = step && *step >= 1 && *step <= 100;
            if (understood) {
                config.progressStep = static_cast<LONG>(*step);
            }
        } else if (understood && key == "progress-interval" && rest.empty()) {
            const auto ms = NumberOf(first);
            understood = ms && *ms >= 0 && *ms <= 60000;
            if (understood) {
                config.progressInterval = static_cast<uint32_t>(*ms);
            }
        } else if (understood && key == "write-error") {
            const auto code = NumberOf(first);
            understood = code && *code >= INT32_MIN && *code <= INT32_MAX;
            if (understood) {
                config.writeError = std::make_pair(static_cast<LONG>(*code), rest);
            }
        } else {
            understood = false;
        }
        if (!understood) {
            config.problems.push_back("configuration line " + std::to_string(number) + " not understood: " + line);
        }
    }
    return config;
}

HRESULT VirtualRecorderConfig::StatusOf(const std::string& operation) const
{
    const auto found = statuses.find(operation);
    return found == statuses.end() ? S_OK : found->second;
}

uint32_t VirtualRecorderConfig::DelayOf(const std::string& operation) const
{
    const auto found = delays.find(operation);
    return found == delays.end() ? 0 : found->second;
}
