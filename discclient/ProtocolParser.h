#pragma once

#include "discclient/ServerEvent.h"

#include <deque>
#include <optional>
#include <string>
#include <string_view>

namespace discclient {

// Turns Tessaly's output, as the reads deliver it, into ServerEvents in the
// order they were written.
//
// Tessaly writes each piece (a prompt, a reply, a progress report, the body
// of an error line) with one write, but the engine's events come from other
// threads than the replies, so pieces interleave: a progress report (it
// starts with CR and has no line end) may fall inside any line, an error line
// may fall between the '=' of a reply and its text, and the line end of an
// error line may come after a prompt. Reads split pieces anywhere. The
// parser keeps what it cannot decide yet until more bytes arrive.
class ProtocolParser {
public:
    void Feed(std::string_view bytes);
    // The end of the output: what is left becomes an Other line.
    void Finish();

    std::optional<ServerEvent> Next();

private:
    // Returns false when the rest is an unfinished piece.
    bool TakeProgress();
    void TakeLine(std::string line);
    void Emit(ServerEvent::Kind kind, int number = 0, std::string text = {});

    std::string pending;
    // Text of the current line read before a progress report cut it.
    std::string lineSoFar;
    // An error line came between a reply's '=' and its text.
    bool valueOpen = false;
    std::deque<ServerEvent> events;
};

} // namespace discclient
