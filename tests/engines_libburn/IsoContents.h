#pragma once

#include "TestFolder.h"

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

// Reads a written image back with xorriso, independently of the engine.
class IsoContents {
public:
    // Every file and folder of the image (Rock Ridge names), relative path ->
    // content, folders with the content "<dir>".
    static std::map<std::string, std::string> extract(const std::filesystem::path& image, const TestFolder& scratch)
    {
        const auto target = scratch / "extracted";
        std::filesystem::remove_all(target);
        run("xorriso -osirrox on -indev '" + image.string() + "' -extract / '" + target.string() + "'");
        return ofFolder(target);
    }

    // The names that the Joliet tree alone gives, one per line.
    static std::string jolietListing(const std::filesystem::path& image, const TestFolder& scratch)
    {
        const auto listing = scratch / "joliet.txt";
        std::system(("xorriso -rockridge off -joliet on -indev '" + image.string() + "' -find / 2>/dev/null >'" +
                     listing.string() + "'")
                        .c_str());
        return TestFolder::readFile(listing);
    }

    static std::map<std::string, std::string> ofFolder(const std::filesystem::path& folder)
    {
        std::map<std::string, std::string> contents;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            const auto relative = std::filesystem::relative(entry.path(), folder).string();
            contents[relative] = entry.is_directory() ? "<dir>" : TestFolder::readFile(entry.path());
        }
        return contents;
    }

private:
    static void run(const std::string& command) { std::system((command + " >/dev/null 2>&1").c_str()); }
};
