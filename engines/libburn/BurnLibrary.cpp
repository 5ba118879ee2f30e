#include "engines/libburn/BurnLibrary.h"

#include "engines/libburn/BurnHeaders.h"

#include <mutex>
#include <set>

namespace {
std::mutex libraryMutex;
int libraryUsers = 0;
bool libraryReady = false;
} // namespace

BurnLibrary::BurnLibrary()
{
    std::lock_guard lock(libraryMutex);
    if (libraryUsers++ == 0) {
        libraryReady = iso_init() >= 0;
        if (libraryReady && burn_initialize() != 1) {
            iso_finish();
            libraryReady = false;
        }
        if (libraryReady) {
            // Queue everything so that nothing is printed to the host's
            // standard error; takeMessages filters by severity.
            burn_msgs_set_severities(const_cast<char*>("ALL"), const_cast<char*>("NEVER"),
                                     const_cast<char*>("burn-engine: "));
            iso_set_msgs_severities(const_cast<char*>("ALL"), const_cast<char*>("NEVER"),
                                    const_cast<char*>("burn-engine: "));
            burn_set_messenger(iso_get_messenger());
        }
    }
    ready_ = libraryReady;
}

BurnLibrary::~BurnLibrary()
{
    std::lock_guard lock(libraryMutex);
    if (--libraryUsers == 0 && libraryReady) {
        burn_finish();
        iso_finish();
        libraryReady = false;
    }
}

std::vector<BurnMessage> BurnLibrary::takeMessages()
{
    bool writeThreadEnded = false;
    return takeMessages(writeThreadEnded);
}

std::vector<BurnMessage> BurnLibrary::takeMessages(bool& writeThreadEnded)
{
    // Everything is taken out (milder messages too, so the queue cannot grow
    // during a long write) and only the errors are kept.
    static const std::set<std::string> errorSeverities{"SORRY", "MISHAP", "FAILURE", "FATAL", "ABORT"};
    constexpr int writeThreadEndedCode = 0x00020178;
    std::vector<BurnMessage> messages;
    char text[BURN_MSGS_MESSAGE_LEN];
    char severity[80];
    int code = 0;
    int osErrno = 0;
    while (burn_msgs_obtain(const_cast<char*>("ALL"), &code, text, &osErrno, severity) > 0) {
        if (errorSeverities.count(severity) != 0)
            messages.push_back(BurnMessage{code, text});
        if (code == writeThreadEndedCode)
            writeThreadEnded = true;
    }
    return messages;
}
