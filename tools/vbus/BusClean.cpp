#include "BusClean.h"

#include "bus/FileMappingHeap.h"
#include "platform/UnheldSegments.h"

#include <algorithm>
#include <set>

namespace {

constexpr const char* dataHeapName = "COProcDispatcherHeap";
const std::string arraySuffix = "_Array";
const std::string mutexSuffix = "_ArrayMutex";

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() > end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// Opening and closing the heap removes its directory and mutex when nobody
// else uses it; RemoveLeftovers takes the segments nobody holds.
std::vector<std::string> CleanHeap(const std::string& heapName)
{
    const std::vector<std::string> before = platform::SharedObjectNames(heapName);
    {
        FileMappingHeap heap(heapName.c_str(), nullptr, 0);
        heap.RemoveLeftovers();
    }
    const std::vector<std::string> after = platform::SharedObjectNames(heapName);
    std::vector<std::string> removed;
    for (const std::string& name : before) {
        if (std::find(after.begin(), after.end(), name) == after.end()) {
            removed.push_back(name);
        }
    }
    return removed;
}

} // namespace

std::vector<std::string> CleanBus(const std::string& bus)
{
    std::set<std::string> buses;
    if (!bus.empty()) {
        buses.insert(bus);
    }
    for (const std::string& name : bus.empty() ? platform::SharedObjectNames("") : std::vector<std::string>{}) {
        if (EndsWith(name, mutexSuffix)) {
            buses.insert(name.substr(0, name.size() - mutexSuffix.size()));
        } else if (EndsWith(name, arraySuffix)) {
            buses.insert(name.substr(0, name.size() - arraySuffix.size()));
        }
    }
    std::vector<std::string> removed;
    for (const std::string& name : buses) {
        for (const std::string& gone : CleanHeap(name + arraySuffix)) {
            removed.push_back(gone);
        }
    }
    for (const std::string& gone : CleanHeap(dataHeapName)) {
        removed.push_back(gone);
    }
    return removed;
}
