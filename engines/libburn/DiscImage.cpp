#include "engines/libburn/DiscImage.h"

#include "engines/libburn/BurnHeaders.h"
#include "engines/libburn/PseudoDriveConfig.h"

namespace {
std::string isoErrorText(int code, const std::filesystem::path& item)
{
    return "Cannot add " + item.string() + ": " + iso_error_to_msg(code);
}

// Adds one item to the root: the node itself, then a folder's contents.
int addItem(IsoImage* image, const std::filesystem::path& item)
{
    IsoNode* node = nullptr;
    int result = iso_tree_add_node(image, iso_image_get_root(image), item.c_str(), &node);
    if (result < 0 || iso_node_get_type(node) != LIBISO_DIR)
        return result;
    return iso_tree_add_dir_rec(image, reinterpret_cast<IsoDir*>(node), item.c_str());
}
} // namespace

DiscImage::~DiscImage()
{
    if (source_)
        burn_source_free(source_);
    if (image_)
        iso_image_unref(image_);
}

std::unique_ptr<DiscImage> DiscImage::build(const std::vector<std::filesystem::path>& items, std::uint32_t startBlock,
                                            const std::string& volumeId, const std::atomic<bool>& cancelled,
                                            std::string& error)
{
    std::unique_ptr<DiscImage> disc(new DiscImage);
    int result =
        iso_image_new(volumeId.empty() ? PseudoDriveConfig::defaultVolumeLabel : volumeId.c_str(), &disc->image_);
    if (result < 0) {
        error = std::string("Cannot create the disc image: ") + iso_error_to_msg(result);
        return nullptr;
    }
    for (const auto& item : items) {
        if (cancelled)
            return nullptr;
        result = addItem(disc->image_, item);
        if (result < 0) {
            error = isoErrorText(result, item);
            return nullptr;
        }
    }

    IsoWriteOpts* options = nullptr;
    result = iso_write_opts_new(&options, 0);
    if (result < 0) {
        error = std::string("Cannot create the image options: ") + iso_error_to_msg(result);
        return nullptr;
    }
    iso_write_opts_set_iso_level(options, 3);
    iso_write_opts_set_rockridge(options, 1);
    iso_write_opts_set_joliet(options, 1);
    iso_write_opts_set_ms_block(options, startBlock);
    ::burn_source* source = nullptr;
    result = iso_image_create_burn_source(disc->image_, options, &source);
    iso_write_opts_free(options);
    if (result < 0) {
        error = std::string("Cannot lay out the disc image: ") + iso_error_to_msg(result);
        return nullptr;
    }
    disc->source_ = toBurnSource(source);
    return disc;
}
