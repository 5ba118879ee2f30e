#pragma once

#include "engines/libburn/RecorderInfo.h"

#include <string>
#include <vector>

// Builds the engine's recorder list once per `Initialize`: the drives libburn
// finds that can write DVD+R or DVD+RW (in libburn's order), then the
// configured pseudo-drives that can be used (their folder exists and they are
// not folders themselves), in configuration order.
//
// libburn refuses to scan while any drive is grabbed and never lists `stdio:`
// drives, so the scan keeps only addresses and frees its list, and each
// pseudo-drive is grabbed briefly on its own to learn its model text.
class RecorderScanner {
public:
    static std::vector<RecorderInfo> scan(const std::vector<std::string>& pseudoAddresses);

private:
    static void addOpticalDrives(std::vector<RecorderInfo>& recorders);
    static void addPseudoDrive(std::vector<RecorderInfo>& recorders, const std::string& address);
};
