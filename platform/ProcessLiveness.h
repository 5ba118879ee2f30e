#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Whether a process id still names the process that used it earlier. An id
// alone can be handed to a later process once its holder has ended, so each
// running process is known by its id and its start time, in milliseconds on a
// clock the system keeps for all processes (since boot on Linux, since 1601
// on Windows). A process that has ended but not yet been reaped counts as
// ended.

// Whether a process with this id runs, and if so since when. Unknown when
// the system would not say (out of descriptors, no access): never taken for
// an end.
enum class ProcessRun { Running, Ended, Unknown };
ProcessRun QueryProcessStart(uint32_t processId, uint64_t* startMs);

// Now, on the clock start times are given on.
uint64_t ProcessClockNowMs();

// The short name of a running process ("" where the system does not tell).
std::string ProcessName(uint32_t processId);

// Raises this process's soft limit of open descriptors to its hard limit
// (nothing to do on Windows); false when it could not.
bool RaiseDescriptorLimit();

} // namespace platform
