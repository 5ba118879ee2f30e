#pragma once

#include <optional>
#include <string>
#include <vector>

// discburn's commands over a Tessaly of its own; each returns the exit code
// (ExitCode.h) or throws CommandFailure.
class DiscburnCommands {
public:
    struct Settings {
        std::string tessaly; // empty: beside discburn
        std::optional<int> drive;
        std::string image;
        std::string volumeLabel;
    };

    explicit DiscburnCommands(Settings settings) : settings(std::move(settings)) {}

    int Drives();
    int Write(const std::vector<std::string>& paths);
    int Format();
    int Eject();
    int CloseTray();

private:
    Settings settings;
};
