#pragma once

#include <string>

namespace discclient {

// One thing Tessaly said: a prompt, a reply to the last command, or one of
// the engine's event lines that arrive at any time.
struct ServerEvent {
    enum class Kind {
        Prompt,           // "Command:", Tessaly waits for the next command
        Ok,               // "Ok"
        Failed,           // "Failed"
        Value,            // "=text": text holds what follows the '='
        Progress,         // "\rProgress: N,": number holds N
        EngineError,      // "Error: N,text": number and text
        NoRecorderNotice, // the engine found no recorder while starting
        Closing,          // the closing line: number holds the recorder count
        Other,            // a line of none of these forms, kept in text
    };

    Kind kind = Kind::Other;
    int number = 0;
    std::string text;

    bool operator==(const ServerEvent&) const = default;
};

} // namespace discclient
