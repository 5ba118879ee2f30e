#pragma once

#include <string>
#include <vector>

// What `vbus clean` does: removes the shared objects of a bus (or of every
// bus, with an empty name) and of the bus's data heap that no running
// process holds, and returns their names. What a live process holds stays:
// a segment only goes when nobody holds it, the directory and the mutex only
// with the last user of the heap.
std::vector<std::string> CleanBus(const std::string& bus);
