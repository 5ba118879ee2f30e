#pragma once

#include <string>
#include <vector>

// One message out of libburn's queue (libisofs messages are routed into the
// same queue): libburn's own error code and text.
struct BurnMessage {
    int code = 0;
    std::string text;
};

// The process-wide libburn and libisofs state. Both libraries keep global
// state (drive list, message queue), so every engine in the process shares one
// initialisation: the first `BurnLibrary` initialises them, the last one to go
// finishes them. Construction and destruction are thread-safe. No signal
// handler is installed: an engine lives inside someone else's process.
//
// The message queue is process-wide too: `takeMessages` empties it and hands
// out the messages of severity SORRY or worse.
class BurnLibrary {
public:
    BurnLibrary();
    ~BurnLibrary();
    BurnLibrary(const BurnLibrary&) = delete;
    BurnLibrary& operator=(const BurnLibrary&) = delete;

    // False when libburn or libisofs could not be initialised; every other
    // call then fails with a clear error.
    bool ready() const { return ready_; }

    static std::vector<BurnMessage> takeMessages();
    // The same, also telling whether libburn's write thread said its last
    // word: it does so only after the drive already reports idle.
    static std::vector<BurnMessage> takeMessages(bool& writeThreadEnded);

private:
    bool ready_ = false;
};
