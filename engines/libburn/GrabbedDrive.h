#pragma once

#include <string>

namespace burn {
struct burn_drive;
struct burn_drive_info;
} // namespace burn

// A drive grabbed from libburn for the lifetime of this object: released on
// destruction, with the tray opened if `ejectOnRelease` was asked for.
// Grabbing with `load` closes the tray of a real drive first.
class GrabbedDrive {
public:
    GrabbedDrive(const std::string& address, bool load);
    ~GrabbedDrive();
    GrabbedDrive(const GrabbedDrive&) = delete;
    GrabbedDrive& operator=(const GrabbedDrive&) = delete;

    explicit operator bool() const { return infos_ != nullptr; }
    burn::burn_drive* drive() const;
    const burn::burn_drive_info& info() const { return *infos_; }
    void ejectOnRelease() { eject_ = true; }

private:
    burn::burn_drive_info* infos_ = nullptr;
    bool eject_ = false;
};
