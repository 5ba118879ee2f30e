#include "tests/discserver/ScratchFolder.h"

#include <filesystem>

namespace {

struct FolderRemover {
    std::string path;
    ~FolderRemover()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

void PrepareScratchFolder(const std::string& path)
{
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
    std::filesystem::create_directories(path, ignored);
    static FolderRemover remover{path};
}
