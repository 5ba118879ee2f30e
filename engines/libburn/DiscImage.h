#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

struct Iso_Image;
namespace burn {
struct burn_source;
}

// The ISO 9660 image of one write (Rock Ridge and Joliet included, level 3 so
// that files of 4 GiB and more fit), built with libisofs from the added items.
// A file item becomes a file in the root, a folder item a folder in the root
// with everything below it. The image reads the files' contents only while
// libburn pulls the data out of `source()`.
class DiscImage {
public:
    ~DiscImage();
    DiscImage(const DiscImage&) = delete;
    DiscImage& operator=(const DiscImage&) = delete;

    // Null with `error` set when an item cannot be added or the image cannot
    // be laid out; null with `error` empty when `cancelled` became true.
    // `startBlock` is where the image will lie on the disc: 0 on a blank one.
    // `volumeId` names the volume (the default label when empty).
    static std::unique_ptr<DiscImage> build(const std::vector<std::filesystem::path>& items, std::uint32_t startBlock,
                                            const std::string& volumeId, const std::atomic<bool>& cancelled,
                                            std::string& error);

    burn::burn_source* source() const { return source_; }

private:
    DiscImage() = default;

    Iso_Image* image_ = nullptr;
    burn::burn_source* source_ = nullptr;
};
