// discburn: writes files and folders to a disc, or to an image file, through
// Tessaly; lists the recorders, formats discs, moves trays.

#include "discclient/TessalyError.h"
#include "tools/discburn/CommandFailure.h"
#include "tools/discburn/DiscburnCommands.h"
#include "tools/discburn/ExitCode.h"

#include <CLI/CLI.hpp>

#include <cstdio>

namespace {

void AddDriveOption(CLI::App* command, std::optional<int>& drive)
{
    command->add_option("--drive", drive, "The recorder's number (see 'discburn drives'); 0 when not given")
        ->check(CLI::NonNegativeNumber);
}

} // namespace

int main(int argc, char** argv)
{
    CLI::App app{"discburn: writes files and folders to a DVD+R/RW disc, or to an ISO image file, through Tessaly"};
    app.require_subcommand(1);
    DiscburnCommands::Settings settings;
    app.add_option("--tessaly", settings.tessaly, "The Tessaly program (default: the one beside discburn)");

    CLI::App* drives = app.add_subcommand("drives", "List the recorders with their models");
    CLI::App* write = app.add_subcommand("write", "Write files and folders (a folder with everything below it)");
    std::vector<std::string> paths;
    AddDriveOption(write, settings.drive);
    write->add_option("--image", settings.image, "Write an ISO image file instead of a disc (Linux)");
    write->add_option("--label", settings.volumeLabel, "The volume label (up to 32 characters)");
    write->add_option("paths", paths, "Files and folders; each lands in the disc's root")->required();
    CLI::App* format = app.add_subcommand("format", "Format (empty) the disc");
    AddDriveOption(format, settings.drive);
    CLI::App* eject = app.add_subcommand("eject", "Open the tray");
    AddDriveOption(eject, settings.drive);
    CLI::App* closeTray = app.add_subcommand("close-tray", "Close the tray");
    AddDriveOption(closeTray, settings.drive);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? exitDone : exitUsage;
    }
    if (!settings.image.empty() && settings.drive) {
        std::fprintf(stderr, "discburn: --image and --drive exclude each other: the image is the recorder\n");
        return exitUsage;
    }

    DiscburnCommands commands(settings);
    try {
        if (drives->parsed()) {
            return commands.Drives();
        }
        if (write->parsed()) {
            return commands.Write(paths);
        }
        if (format->parsed()) {
            return commands.Format();
        }
        if (eject->parsed()) {
            return commands.Eject();
        }
        return commands.CloseTray();
    } catch (const CommandFailure& failure) {
        std::fprintf(stderr, "discburn: %s\n", failure.what());
        return failure.exitCode;
    } catch (const discclient::TessalyError& error) {
        std::fprintf(stderr, "discburn: %s\n", error.what());
        return exitTessaly;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "discburn: %s\n", error.what());
        return exitFailed;
    }
}
