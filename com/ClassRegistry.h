#pragma once

#include "com/ComBase.h"

#include <optional>
#include <string>
#include <vector>

namespace com {

// Reads the class registry files: lines "{CLSID} /path/library.so", '#'
// starting a comment, blank lines ignored. Lines that do not parse are passed
// over, so one bad entry does not hide the classes after it.
class COM_API ClassRegistry {
public:
    // The files searched, in order: COM_CLASS_REGISTRY when set, then the
    // installation's file (the build tree's copy for a program run from it).
    static std::vector<std::string> SearchPath();

    // The library of the first line naming clsid in the files, in order.
    static std::optional<std::string> FindLibrary(REFCLSID clsid, const std::vector<std::string>& files);

    // Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (case-insensitive).
    static std::optional<GUID> ParseGuid(const std::string& text);
};

} // namespace com
