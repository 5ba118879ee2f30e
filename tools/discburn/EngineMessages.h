#pragma once

#include "tools/discburn/EngineKind.h"

#include <string>

// Clear text for an engine's error event: what the code means for that
// engine, then the engine's own words.
class EngineMessages {
public:
    static std::string Describe(EngineKind engine, int code, const std::string& text);

    // Codes that mean the same in every engine.
    static constexpr int noRecorder = 1;
    static constexpr int busy = 3;
};
