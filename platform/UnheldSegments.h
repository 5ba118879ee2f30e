#pragma once

#include <string>
#include <vector>

namespace platform {

// The numbered segments of a family ("NAME_0", "NAME_1", ...) that the
// system keeps although no view in any process holds them: left by processes
// that ended without closing them. RemoveUnheld removes those and returns
// their names; a segment any process holds stays. The caller holds the
// family's mutex, as for every open and close of its segments. Where the
// system removes a segment with its last holder (Windows) there is never
// anything to remove.
std::vector<std::string> RemoveUnheldSegments(const std::string& family);

// The names of the system's shared objects that start with prefix (nothing
// where the system does not list them).
std::vector<std::string> SharedObjectNames(const std::string& prefix);

} // namespace platform
