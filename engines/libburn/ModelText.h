#pragma once

#include <string>

// The model text of a drive: libburn's blank-padded vendor and product fields,
// trimmed and joined by one blank ("YOYODYNE WARP DRIVE").
class ModelText {
public:
    static std::string of(const char* vendor, const char* product);
};
