#pragma once

#include <string>
#include <vector>

// Which files the engine offers as pseudo-drives (libburn `stdio:` drives).
//
// Two sources, in this order, duplicates dropped:
//  1. the environment variable BURN_ENGINE_DRIVES: absolute file paths
//     separated by ':' (like PATH);
//  2. the configuration file named by BURN_ENGINE_CONFIG, or else the
//     installation's `etc/burn-engine.conf`: one absolute path per line, '#'
//     starts a comment, blank lines are skipped.
// An entry may carry libburn's "stdio:" prefix or not. Relative paths are
// dropped: the engine cannot know what folder they were meant against.
// Addresses are returned as libburn wants them, "stdio:/path".
class PseudoDriveConfig {
public:
    static constexpr const char* drivesVariable = "BURN_ENGINE_DRIVES";
    static constexpr const char* configVariable = "BURN_ENGINE_CONFIG";

    static std::vector<std::string> load();

    static std::vector<std::string> parseVariable(const std::string& text);
    static std::vector<std::string> parseFile(const std::string& text);
    static std::string defaultConfigPath();

private:
    static void addEntry(std::vector<std::string>& addresses, std::string entry);
};
