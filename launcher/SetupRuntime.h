#pragma once

#include <string>

// The name of the executer's cross-process dispatcher, given to the runtime on NT.
constexpr const char* kExecuterDispatcherName = "VeraVODEveda";

// The setup runtime's command line for the launcher's state: the fixed text,
// " Executer=VeraVODEveda" on NT, then one blank and the launcher's own
// (upper-cased, cut) command line.
std::string FormatRuntimeCommandLine();

// Starts the setup runtime from the "setup" folder, once: later calls do nothing.
void StartSetupRuntime();
