#include "platform/Resources.h"

#include <mutex>
#include <vector>

namespace platform {

namespace {

struct ResourceTable {
    std::mutex lock;
    std::vector<EmbeddedResource> entries;
};

ResourceTable& Table()
{
    static ResourceTable table;
    return table;
}

} // namespace

void RegisterEmbeddedResources(const EmbeddedResource* table, size_t count)
{
    ResourceTable& resources = Table();
    std::lock_guard<std::mutex> hold(resources.lock);
    resources.entries.insert(resources.entries.end(), table, table + count);
}

const void* LockModuleResource(ModuleHandle module, const char* name, int type, size_t* size)
{
    // Only the program itself carries resources here, and only numbered ones.
    const uintptr_t id = reinterpret_cast<uintptr_t>(name);
    if (module != nullptr || id == 0 || id > 0xFFFF)
        return nullptr;
    ResourceTable& resources = Table();
    std::lock_guard<std::mutex> hold(resources.lock);
    for (const EmbeddedResource& entry : resources.entries) {
        if (entry.type == type && entry.id == static_cast<int>(id)) {
            if (size != nullptr)
                *size = entry.size;
            return entry.data;
        }
    }
    return nullptr;
}

} // namespace platform
