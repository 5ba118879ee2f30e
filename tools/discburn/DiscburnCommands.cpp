#include "tools/discburn/DiscburnCommands.h"

#include "discclient/TessalyClient.h"
#include "platform/Console.h"
#include "platform/Interrupt.h"
#include "tools/discburn/CommandFailure.h"
#include "tools/discburn/EngineMessages.h"
#include "tools/discburn/EngineSetup.h"
#include "tools/discburn/ExitCode.h"
#include "tools/discburn/ProgressDisplay.h"

#include <cstdio>
#include <filesystem>
#include <memory>

using discclient::TessalyClient;

namespace {

// Tessaly started for one command with the chosen engine, and the engine's
// error lines turned into clear text.
class Session {
public:
    Session(const DiscburnCommands::Settings& settings)
        : setup(settings.image, settings.volumeLabel), client(Options(settings, setup))
    {
        client.Start();
        setup.RemoveFiles();
    }

    TessalyClient& Client() { return client; }

    // The recorder the command works on, selected; throws when there is none.
    int SelectRecorder(const std::optional<int>& asked)
    {
        const int count = client.RecorderCount();
        if (count <= 0 || client.NoRecorderNotice()) {
            throw CommandFailure(exitNoRecorder, "no recorder found" + Reasons(0));
        }
        const int recorder = setup.UsesImage() ? count - 1 : asked.value_or(0);
        if (recorder < 0 || recorder >= count) {
            throw CommandFailure(exitNoRecorder, "there is no recorder " + std::to_string(recorder) + "; " +
                                                     std::to_string(count) + " found, numbered from 0");
        }
        client.Select(recorder);
        return recorder;
    }

    // The engine's errors from number `from` on, one per line.
    std::string Reasons(size_t from) const
    {
        std::string text;
        const auto& errors = client.EngineErrors();
        for (size_t i = from; i < errors.size(); ++i) {
            text += "\n  " + EngineMessages::Describe(setup.Kind(), errors[i].code, errors[i].text);
        }
        return text;
    }

    // The exit code for a failure that these errors explain.
    int FailureCode(size_t from) const
    {
        const auto& errors = client.EngineErrors();
        for (size_t i = from; i < errors.size(); ++i) {
            if (errors[i].code == EngineMessages::noRecorder) {
                return exitNoRecorder;
            }
            if (errors[i].code == EngineMessages::busy) {
                return exitBusy;
            }
        }
        return exitFailed;
    }

private:
    static TessalyClient::Options Options(const DiscburnCommands::Settings& settings, const EngineSetup& setup)
    {
        TessalyClient::Options options;
        options.program = settings.tessaly;
        options.environment = setup.Environment();
        return options;
    }

    EngineSetup setup;
    TessalyClient client;
};

// Runs body on a new session; Tessaly failing on the way is reported with
// what the engine said before.
template <typename Body> int InSession(const DiscburnCommands::Settings& settings, Body body)
{
    Session session(settings);
    try {
        return body(session);
    } catch (const discclient::TessalyError& error) {
        const int code = session.FailureCode(0);
        throw CommandFailure(code == exitFailed && session.Reasons(0).empty() ? exitTessaly : code,
                             error.what() + session.Reasons(0));
    }
}

std::vector<std::string> CheckedPaths(const std::vector<std::string>& paths)
{
    std::vector<std::string> absolute;
    for (const std::string& path : paths) {
        if (path.find_first_of("\r\n") != std::string::npos) {
            throw CommandFailure(exitUsage, "a path cannot hold a line end");
        }
        std::error_code error;
        if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) {
            throw CommandFailure(exitUsage, "no such file or folder: " + path);
        }
        // Tessaly may look from another folder; a trailing separator names the folder itself.
        std::filesystem::path full = std::filesystem::absolute(path, error).lexically_normal();
        if (!full.has_filename() && full.has_parent_path() && full != full.root_path()) {
            full = full.parent_path();
        }
        absolute.push_back(full.string());
    }
    return absolute;
}

} // namespace

int DiscburnCommands::Drives()
{
    return InSession(settings, [](Session& session) {
        TessalyClient& client = session.Client();
        const int count = client.RecorderCount();
        if (count <= 0 || client.NoRecorderNotice()) {
            throw CommandFailure(exitNoRecorder, "no recorder found" + session.Reasons(0));
        }
        for (int recorder = 0; recorder < count; ++recorder) {
            client.Select(recorder);
            const std::string model = client.Model();
            std::printf("%d: %s\n", recorder, model.empty() ? "(no model name)" : model.c_str());
        }
        client.Close();
        return exitDone;
    });
}

int DiscburnCommands::Write(const std::vector<std::string>& paths)
{
    // Every path is checked before anything is started or written.
    const std::vector<std::string> items = CheckedPaths(paths);
    platform::CatchInterrupts(2, exitStopped, "\ndiscburn: stopped at once; Tessaly ends the write by itself\n");
    return InSession(settings, [&](Session& session) -> int {
        TessalyClient& client = session.Client();
        const int recorder = session.SelectRecorder(settings.drive);
        for (const std::string& item : items) {
            const size_t before = client.EngineErrors().size();
            if (!client.Add(item)) {
                throw CommandFailure(session.FailureCode(before) == exitBusy ? exitBusy : exitFailed,
                                     "the recorder engine refused " + item + session.Reasons(before));
            }
        }

        ProgressDisplay display(stdout, platform::StandardOutputIsTerminal());
        client.OnProgress([&display](int percent) { display.Show(percent); });
        bool stopAnnounced = false;
        const auto stopRequested = [&] {
            const bool stop = platform::InterruptCount() > 0;
            if (stop && !stopAnnounced) {
                stopAnnounced = true;
                display.Finish();
                std::fprintf(stderr, "discburn: stopping the write (Ctrl-C again ends at once)\n");
            }
            return stop;
        };
        if (platform::InterruptCount() > 0) {
            std::fprintf(stderr, "discburn: stopped (Ctrl-C) before the write started\n");
            return exitStopped;
        }
        const size_t before = client.EngineErrors().size();
        display.Start();
        const TessalyClient::WriteOutcome outcome = client.Write(stopRequested);
        display.Finish();
        client.Close();

        switch (outcome) {
        case TessalyClient::WriteOutcome::Written:
            std::printf("written to %s\n", settings.image.empty() ? ("recorder " + std::to_string(recorder)).c_str()
                                                                  : settings.image.c_str());
            if (const std::string notes = session.Reasons(before); !notes.empty()) {
                std::fprintf(stderr, "discburn: the engine noted:%s\n", notes.c_str());
            }
            return exitDone;
        case TessalyClient::WriteOutcome::Stopped:
            std::fprintf(stderr, "discburn: the write was stopped (Ctrl-C)\n");
            return exitStopped;
        case TessalyClient::WriteOutcome::Failed:
            break;
        }
        throw CommandFailure(session.FailureCode(before), "the write failed" + session.Reasons(before));
    });
}

int DiscburnCommands::Format()
{
    return InSession(settings, [this](Session& session) {
        session.SelectRecorder(settings.drive);
        const size_t before = session.Client().EngineErrors().size();
        if (!session.Client().Format()) {
            throw CommandFailure(session.FailureCode(before), "formatting failed" + session.Reasons(before));
        }
        session.Client().Close();
        std::printf("formatted\n");
        return exitDone;
    });
}

int DiscburnCommands::Eject()
{
    return InSession(settings, [this](Session& session) {
        session.SelectRecorder(settings.drive);
        session.Client().Eject();
        session.Client().Close();
        return exitDone;
    });
}

int DiscburnCommands::CloseTray()
{
    return InSession(settings, [this](Session& session) {
        session.SelectRecorder(settings.drive);
        session.Client().CloseTray();
        session.Client().Close();
        return exitDone;
    });
}
