#include "tools/discburn/EngineMessages.h"

namespace {

// Codes of 0x20000 and above come from libburn and libisofs under the engine.
constexpr int firstLibraryCode = 0x20000;

const char* VirtualMeaning(int code)
{
    switch (code) {
    case 1:
        return "no recorder was found";
    case 2:
        return "the virtual engine's configuration has a line it does not understand";
    case 3:
        return "the recorder is busy, or there is nothing to write";
    case 4:
        return "the tray is open or the disc is finalised (format it to write again)";
    default:
        return nullptr;
    }
}

const char* LibburnMeaning(int code)
{
    switch (code) {
    case 1:
        return "no recorder was found";
    case 2:
        return "an item cannot be put on the disc";
    case 3:
        return "the recorder is busy";
    case 4:
        return "there is no recorder with that number";
    case 5:
        return "there is nothing to write";
    case 6:
        return "writing failed";
    case 7:
        return "writing was stopped";
    case 8:
        return "formatting failed";
    case 9:
        return "the tray could not be moved";
    case 10:
        return "libburn or libisofs is not available";
    default:
        return code >= firstLibraryCode ? "libburn reports" : nullptr;
    }
}

} // namespace

std::string EngineMessages::Describe(EngineKind engine, int code, const std::string& text)
{
    const char* meaning = nullptr;
    switch (engine) {
    case EngineKind::Virtual:
        meaning = VirtualMeaning(code);
        break;
    case EngineKind::Libburn:
        meaning = LibburnMeaning(code);
        break;
    case EngineKind::Unknown:
        // Only these two codes mean the same to every engine.
        meaning = code == noRecorder ? "no recorder was found" : code == busy ? "the recorder is busy" : nullptr;
        break;
    }
    std::string codeText = code >= firstLibraryCode ? "0x" : "";
    if (code >= firstLibraryCode) {
        static const char digits[] = "0123456789abcdef";
        std::string hex;
        for (unsigned value = static_cast<unsigned>(code); value != 0; value /= 16) {
            hex.insert(hex.begin(), digits[value % 16]);
        }
        codeText += hex;
    } else {
        codeText = std::to_string(code);
    }
    const std::string words = text.empty() ? std::string() : ": " + text;
    if (meaning == nullptr) {
        return "the recorder engine reports error " + codeText + words;
    }
    return std::string(meaning) + " (engine error " + codeText + ")" + words;
}
