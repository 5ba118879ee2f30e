#include "discclient/ProtocolParser.h"

#include <cstdlib>

namespace discclient {

namespace {

constexpr std::string_view prompt = "Command:";
constexpr std::string_view progressPrefix = "\rProgress: ";
constexpr std::string_view errorPrefix = "Error: ";
constexpr std::string_view noRecorderNotice = "No DVD+R or DVD+RW Recorders found!";
constexpr std::string_view closingPrefix = "Tessaly DVDs available: ";

bool IsPrefixOf(std::string_view shorter, std::string_view longer)
{
    return shorter.size() <= longer.size() && longer.compare(0, shorter.size(), shorter) == 0;
}

// A signed decimal number at the start of text, up to stop; its length in
// used. False when there are no digits or something other than stop follows.
bool ParseNumber(std::string_view text, char stop, int& number, size_t& used)
{
    size_t end = text.empty() || text[0] != '-' ? 0 : 1;
    const size_t digits = end;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') {
        ++end;
    }
    if (end == digits || end >= text.size() || text[end] != stop) {
        return false;
    }
    number = std::atoi(std::string(text.substr(0, end)).c_str());
    used = end + 1;
    return true;
}

} // namespace

void ProtocolParser::Feed(std::string_view bytes)
{
    pending.append(bytes);
    while (!pending.empty()) {
        if (pending[0] == '\r') {
            if (!TakeProgress()) {
                return;
            }
            continue;
        }
        if (lineSoFar.empty() && IsPrefixOf(pending.substr(0, prompt.size()), prompt)) {
            if (pending.size() < prompt.size()) {
                return; // a prompt arriving in pieces
            }
            pending.erase(0, prompt.size());
            Emit(ServerEvent::Kind::Prompt);
            continue;
        }
        const size_t stop = pending.find_first_of("\r\n");
        if (stop == std::string::npos) {
            lineSoFar += pending;
            pending.clear();
            return;
        }
        lineSoFar.append(pending, 0, stop);
        if (pending[stop] == '\r') {
            pending.erase(0, stop); // a progress report inside the line
            continue;
        }
        pending.erase(0, stop + 1);
        TakeLine(std::move(lineSoFar));
        lineSoFar.clear();
    }
}

void ProtocolParser::Finish()
{
    lineSoFar += pending;
    pending.clear();
    if (!lineSoFar.empty()) {
        Emit(ServerEvent::Kind::Other, 0, std::move(lineSoFar));
        lineSoFar.clear();
    }
}

std::optional<ServerEvent> ProtocolParser::Next()
{
    if (events.empty()) {
        return std::nullopt;
    }
    ServerEvent event = std::move(events.front());
    events.pop_front();
    return event;
}

bool ProtocolParser::TakeProgress()
{
    const std::string_view rest(pending);
    if (rest.size() < progressPrefix.size()) {
        if (IsPrefixOf(rest, progressPrefix)) {
            return false;
        }
    } else if (rest.compare(0, progressPrefix.size(), progressPrefix) == 0) {
        int percent = 0;
        size_t used = 0;
        const std::string_view number = rest.substr(progressPrefix.size());
        if (ParseNumber(number, ',', percent, used)) {
            pending.erase(0, progressPrefix.size() + used);
            Emit(ServerEvent::Kind::Progress, percent);
            return true;
        }
        // Digits still coming?
        const size_t digits = number.find_first_not_of("-0123456789");
        if (digits == std::string_view::npos) {
            return false;
        }
    }
    pending.erase(0, 1); // a lone CR: Tessaly's own lines have none
    return true;
}

void ProtocolParser::TakeLine(std::string line)
{
    if (line.empty()) {
        return; // the line end of an error line that came after other pieces
    }
    std::string_view text(line);
    int number = 0;
    size_t used = 0;
    if (text.starts_with(errorPrefix) && ParseNumber(text.substr(errorPrefix.size()), ',', number, used)) {
        std::string message(text.substr(errorPrefix.size() + used));
        // The prompt written between the error's text and its line end.
        const bool promptInside = message.ends_with(prompt);
        if (promptInside) {
            message.erase(message.size() - prompt.size());
        }
        Emit(ServerEvent::Kind::EngineError, number, std::move(message));
        if (promptInside) {
            Emit(ServerEvent::Kind::Prompt);
        }
        return;
    }
    if (text.starts_with("=")) {
        if (text.substr(1).starts_with(errorPrefix) &&
            ParseNumber(text.substr(1 + errorPrefix.size()), ',', number, used)) {
            Emit(ServerEvent::Kind::EngineError, number, std::string(text.substr(1 + errorPrefix.size() + used)));
            valueOpen = true;
            return;
        }
        Emit(ServerEvent::Kind::Value, 0, std::string(text.substr(1)));
        return;
    }
    if (valueOpen) {
        valueOpen = false;
        Emit(ServerEvent::Kind::Value, 0, std::move(line));
    } else if (text == "Ok") {
        Emit(ServerEvent::Kind::Ok);
    } else if (text == "Failed") {
        Emit(ServerEvent::Kind::Failed);
    } else if (text == noRecorderNotice) {
        Emit(ServerEvent::Kind::NoRecorderNotice);
    } else if (text.starts_with(closingPrefix)) {
        Emit(ServerEvent::Kind::Closing, std::atoi(line.c_str() + closingPrefix.size()));
    } else {
        Emit(ServerEvent::Kind::Other, 0, std::move(line));
    }
}

void ProtocolParser::Emit(ServerEvent::Kind kind, int number, std::string text)
{
    events.push_back(ServerEvent{kind, number, std::move(text)});
}

} // namespace discclient
