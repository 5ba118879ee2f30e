#include "bus/ProcessDataHeap.h"

#include "bus/FileMappingHeap.h"
#include "platform/ProcessLiveness.h"

#include <mutex>

namespace {
constexpr const char* dataHeapName = "COProcDispatcherHeap";

std::mutex staticsLock;
FileMappingHeap* dataHeap = nullptr;
int holders = 0;
} // namespace

FileMappingHeap* ProcessDataHeap::Acquire()
{
    std::lock_guard<std::mutex> guard(staticsLock);
    if (dataHeap == nullptr) {
        // Each data block this process has open costs a descriptor on Linux.
        platform::RaiseDescriptorLimit();
        dataHeap = new FileMappingHeap(dataHeapName, nullptr, 0);
    }
    ++holders;
    return dataHeap;
}

void ProcessDataHeap::Release()
{
    std::lock_guard<std::mutex> guard(staticsLock);
    if (dataHeap != nullptr && --holders == 0) {
        delete dataHeap;
        dataHeap = nullptr;
    }
}

FileMappingHeap* ProcessDataHeap::Get()
{
    return dataHeap;
}
