#pragma once

#include <string>

// One recorder as the engine offers it: libburn's drive address, the model
// text ("VENDOR PRODUCT") and whether it is a file-backed pseudo-drive, for
// which the engine emulates what libburn cannot do there (format, tray).
struct RecorderInfo {
    std::string address;
    std::string model;
    bool pseudo = false;
};
