#include "engines/libburn/RecorderScanner.h"

#include "engines/libburn/BurnHeaders.h"
#include "engines/libburn/GrabbedDrive.h"
#include "engines/libburn/ModelText.h"

#include <chrono>
#include <filesystem>
#include <thread>

namespace {
// MMC profile numbers of the media families this engine writes.
constexpr int profileDvdPlusRw = 0x1a;
constexpr int profileDvdPlusR = 0x1b;
constexpr int profileDvdPlusRDualLayer = 0x2b;

bool writesDvdPlus(burn_drive* drive)
{
    int count = 0;
    int profiles[64] = {};
    char current[64] = {};
    if (burn_drive_get_all_profiles(drive, &count, profiles, current) <= 0)
        return false;
    for (int i = 0; i < count; ++i) {
        if (profiles[i] == profileDvdPlusRw || profiles[i] == profileDvdPlusR ||
            profiles[i] == profileDvdPlusRDualLayer)
            return true;
    }
    return false;
}
} // namespace

std::vector<RecorderInfo> RecorderScanner::scan(const std::vector<std::string>& pseudoAddresses)
{
    std::vector<RecorderInfo> recorders;
    addOpticalDrives(recorders);
    for (const auto& address : pseudoAddresses)
        addPseudoDrive(recorders, address);
    return recorders;
}

void RecorderScanner::addOpticalDrives(std::vector<RecorderInfo>& recorders)
{
    burn_drive_info* infos = nullptr;
    unsigned int count = 0;
    int scanned = 0;
    // The scan runs in the background and reports 0 until it has finished.
    while ((scanned = burn_drive_scan(&infos, &count)) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (scanned < 0)
        return;
    for (unsigned int i = 0; i < count; ++i) {
        char address[BURN_DRIVE_ADR_LEN] = {};
        if (!writesDvdPlus(infos[i].drive) || burn_drive_get_adr(&infos[i], address) <= 0)
            continue;
        recorders.push_back(RecorderInfo{address, ModelText::of(infos[i].vendor, infos[i].product), false});
    }
    // Only the addresses are kept: the drives are let go so that other
    // programs may use them until a write grabs one.
    for (unsigned int i = 0; i < count; ++i)
        burn_drive_info_forget(&infos[i], 0);
    burn_drive_info_free(infos);
}

void RecorderScanner::addPseudoDrive(std::vector<RecorderInfo>& recorders, const std::string& address)
{
    const std::filesystem::path file = address.substr(address.find(':') + 1);
    std::error_code error;
    if (!std::filesystem::is_directory(file.parent_path(), error) || std::filesystem::is_directory(file, error))
        return;
    GrabbedDrive grabbed(address, false);
    if (grabbed)
        recorders.push_back(RecorderInfo{address, ModelText::of(grabbed.info().vendor, grabbed.info().product), true});
}
