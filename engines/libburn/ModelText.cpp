#include "engines/libburn/ModelText.h"

namespace {
std::string trimmedField(const char* field)
{
    std::string text = field ? field : "";
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}
} // namespace

std::string ModelText::of(const char* vendor, const char* product)
{
    const std::string vendorText = trimmedField(vendor);
    const std::string productText = trimmedField(product);
    if (vendorText.empty() || productText.empty())
        return vendorText + productText;
    return vendorText + " " + productText;
}
