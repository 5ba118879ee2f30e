#include "engines/libburn/GrabbedDrive.h"

#include "engines/libburn/BurnHeaders.h"

GrabbedDrive::GrabbedDrive(const std::string& address, bool load)
{
    if (burn_drive_scan_and_grab(&infos_, const_cast<char*>(address.c_str()), load ? 1 : 0) <= 0)
        infos_ = nullptr;
}

GrabbedDrive::~GrabbedDrive()
{
    if (!infos_)
        return;
    burn_drive_release(infos_[0].drive, eject_ ? 1 : 0);
    burn_drive_info_free(infos_);
}

burn_drive* GrabbedDrive::drive() const
{
    return infos_ ? infos_[0].drive : nullptr;
}
