#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The engine's settings: which files it offers as pseudo-drives (libburn
// `stdio:` drives), and the volume label of the images it writes.
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
//
// The configuration file may also hold `volume-label TEXT`: the volume id of
// every image written (ISO 9660 allows 32 characters; longer text is cut);
// the last such line counts.
class PseudoDriveConfig {
public:
    static constexpr const char* drivesVariable = "BURN_ENGINE_DRIVES";
    static constexpr const char* configVariable = "BURN_ENGINE_CONFIG";

    static std::vector<std::string> load();
    // The configured volume label, or the default one.
    static std::string loadVolumeLabel();

    static std::vector<std::string> parseVariable(const std::string& text);
    static std::vector<std::string> parseFile(const std::string& text);
    // Empty when the text sets no label.
    static std::string parseVolumeLabel(const std::string& text);
    static constexpr const char* defaultVolumeLabel = "QUILLMARK";
    static constexpr std::size_t volumeLabelLimit = 32;
    static std::string defaultConfigPath();

private:
    static std::string configText();
    static void addEntry(std::vector<std::string>& addresses, std::string entry);
};
