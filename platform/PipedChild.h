#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

// A program started with its standard input and output on pipes to this
// process, for conversations with console servers. Standard error stays
// ours. The child runs in a process group (on Windows: without a console) of
// its own, so a Ctrl-C typed at the terminal reaches only this process, which
// decides what the child is told. The destructor kills a child that is still
// running.
class PipedChild {
public:
    // Variables set (or, with an empty value, removed) in the child's
    // environment only; the rest of ours is inherited.
    using EnvironmentChanges = std::vector<std::pair<std::string, std::string>>;

    // What a read gives besides bytes.
    static constexpr long readTimedOut = -1;
    static constexpr long readEnded = 0;

    PipedChild() = default;
    ~PipedChild();
    PipedChild(const PipedChild&) = delete;
    PipedChild& operator=(const PipedChild&) = delete;

    // Starts program (the arguments follow its name); false with a reason.
    // With errorsToOutput the child's standard error joins its output. An
    // interruptible child gets, on Windows, a hidden console of its own in
    // our process group instead (a new group would turn its Ctrl-C off), so
    // that Interrupt can reach it; elsewhere every child is interruptible.
    bool Start(const std::string& program, const std::vector<std::string>& arguments,
               const EnvironmentChanges& environment, std::string& failure, bool errorsToOutput = false,
               bool interruptible = false);

    // Writes every byte; false once the child no longer reads.
    bool Write(const void* bytes, size_t count);
    void CloseInput();

    // Up to max bytes of the child's output, waiting at most timeoutMs for
    // the first; readEnded when the output is closed, readTimedOut when
    // nothing came in time.
    long Read(char* buffer, size_t max, uint32_t timeoutMs);

    // Waits up to timeoutMs for the end; true with the exit code when it ended.
    bool Wait(uint32_t timeoutMs, int* exitCode = nullptr);
    // Interrupts the child as Ctrl-C at its terminal would: SIGINT, or on
    // Windows the Ctrl-C event on the console of an interruptible child.
    // There this process leaves its console to join the child's for the
    // moment, and takes its own copy of the event (Windows 8 and later also
    // drop the console handlers we had); then it attaches to its parent's
    // console if it had one.
    bool Interrupt();
    // Ends the child at once and reaps it.
    void Kill();

    bool IsRunning() const { return process != -1; }
    uint32_t Id() const { return id; }

private:
    void CloseHandles();

    intptr_t process = -1;
    intptr_t input = -1;
    intptr_t output = -1;
    uint32_t id = 0;
    bool ownConsole = false;
};

} // namespace platform
