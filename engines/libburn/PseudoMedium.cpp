#include "engines/libburn/PseudoMedium.h"

#include <filesystem>

std::string PseudoMedium::path(const std::string& address)
{
    const auto colon = address.find(':');
    return colon == std::string::npos ? address : address.substr(colon + 1);
}

bool PseudoMedium::blank(const std::string& address)
{
    const std::filesystem::path file = path(address);
    std::error_code error;
    if (!std::filesystem::exists(file, error))
        return !error;
    if (!std::filesystem::is_regular_file(file, error))
        return false;
    std::filesystem::resize_file(file, 0, error);
    return !error;
}
