#pragma once

#include <string>
#include <vector>

// The demo runtime's script: one step a line, # starts a comment.
//   count-in | count-out            a client more or fewer (0xE005, 0xE000)
//   start TEXT                      start TEXT with CreateProcess (0xE001)
//   winexec SHOW TEXT               start TEXT with WinExec and show mode SHOW (0xE002)
//   ping [MILLISECONDS]             ping (0xE003) and wait for the answer (0xE004)
//   wait MILLISECONDS               serve the bus for that long
//   window                          show the setup's main window until the end
// In TEXT, %MEDIUM% is the medium's root in Windows spelling, %MEDIUM/% the
// same with forward slashes and no drive, and %MEDIUM-FROM-ROOT% the same
// without drive and leading backslash (a path relative to the drive's root).
struct ScriptStep {
    enum class Kind { ClientIn, ClientOut, Start, WinExec, Ping, Wait, Window } kind;
    std::string text;
    long number = 0;
};

struct RuntimeScript {
    std::vector<ScriptStep> steps;
    std::string error; // empty when the whole script was read
};

RuntimeScript ReadRuntimeScript(const std::string& text, const std::string& mediumRoot);
