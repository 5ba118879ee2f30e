#include "bus/FileMappingHeap.h"

#include "bus/HeapCounters.h"
#include "bus/HeapDirectory.h"
#include "bus/HeapLock.h"
#include "bus/KeptViews.h"
#include "bus/MappedSegment.h"
#include "bus/SharedHeapClient.h"
#include "platform/UnheldSegments.h"

#include <algorithm>
#include <cstdio>

namespace {

// Map asks for this much: an existing segment opens at its own size, a
// vanished one comes back as a fresh zeroed word.
constexpr uint32_t mapRequestSize = 4;
// Every block carries 4 bytes beyond what was asked for.
constexpr long allocSlack = 4;
// A directory that a peer moved back onto live numbers is walked past, but
// not for ever.
constexpr int liveNumberRetries = 64;

} // namespace

FileMappingHeap::FileMappingHeap(const char* heapName, SharedHeapClient* client, int rootSize)
    : name(heapName != nullptr ? heapName : ""), kept(std::make_unique<KeptViews>(*this))
{
    if (!mutex.Open(name + "Mutex")) {
        return;
    }
    HeapLock lock(mutex);
    directorySegment = OpenRecord(-1, sizeof(HeapDirectory));
    if (directorySegment->View() == nullptr || directorySegment->Size() < sizeof(HeapDirectory)) {
        CloseRecord(directorySegment);
        directorySegment = nullptr;
        return;
    }
    directory = static_cast<HeapDirectory*>(directorySegment->View());
    if (directory->nextSegment == 0) {
        directory->initMarker = -1;
        if (client != nullptr) {
            void* root = Alloc(std::max(rootSize, 0) + allocSlack);
            client->OnHeapAttached(true, static_cast<int32_t*>(root), this);
        }
    } else if (client != nullptr) {
        MappedSegment* root = nullptr;
        Map(0, &root);
        const bool usable = root != nullptr && root->View() != nullptr && root->Size() >= sizeof(int32_t);
        client->OnHeapAttached(false, usable ? static_cast<int32_t*>(root->View()) : nullptr, this);
    }
}

FileMappingHeap::~FileMappingHeap()
{
    if (!mutex.IsOpen()) {
        return;
    }
    kept->CloseAll();
    HeapLock lock(mutex);
    for (MappedSegment* record : segments) {
        CloseRecord(record);
    }
    segments.clear();
    if (directorySegment != nullptr) {
        // The last heap of the name takes the directory with it, and then the
        // mutex's name, which only a holder may remove.
        const bool last = directorySegment->IsSoleHolder();
        CloseRecord(directorySegment);
        directorySegment = nullptr;
        directory = nullptr;
        if (last) {
            // Segments of processes that ended without closing them go too.
            platform::RemoveUnheldSegments(static_cast<const char*>(name));
            mutex.RemoveName();
        }
    }
}

std::vector<std::string> FileMappingHeap::RemoveLeftovers()
{
    if (!mutex.IsOpen()) {
        return {};
    }
    HeapLock lock(mutex);
    return platform::RemoveUnheldSegments(static_cast<const char*>(name));
}

void* FileMappingHeap::Alloc(long size)
{
    if (directory == nullptr || size < 0 || size > 0x7fffffffL - allocSlack) {
        return nullptr;
    }
    HeapLock lock(mutex);
    for (int attempt = 0; attempt < liveNumberRetries; ++attempt) {
        const int32_t number = directory->nextSegment;
        if (number < 0 || number == 0x7fffffff) {
            return nullptr;
        }
        directory->nextSegment = number + 1;
        MappedSegment* record = OpenRecord(number, static_cast<uint32_t>(size + allocSlack));
        if (record->View() != nullptr && !record->WasCreated()) {
            // The number is still in use: the directory was set back by a peer.
            CloseRecord(record);
            continue;
        }
        segments.push_back(record);
        return record->View();
    }
    return nullptr;
}

void FileMappingHeap::Free(void* view)
{
    if (directory == nullptr || view == nullptr) {
        return;
    }
    HeapLock lock(mutex);
    auto found = std::find_if(segments.begin(), segments.end(),
                              [view](const MappedSegment* record) { return record->View() == view; });
    if (found != segments.end()) {
        MappedSegment* record = *found;
        segments.erase(found);
        CloseRecord(record);
    }
}

long FileMappingHeap::GetID(void* view)
{
    if (directory == nullptr || view == nullptr) {
        return 0;
    }
    HeapLock lock(mutex);
    for (const MappedSegment* record : segments) {
        if (record->View() == view) {
            return record->Number();
        }
    }
    return 0;
}

void* FileMappingHeap::Map(long id, MappedSegment** cookie)
{
    if (cookie != nullptr) {
        *cookie = nullptr;
    }
    if (directory == nullptr || id < 0 || id > 0x7fffffffL) {
        return nullptr;
    }
    HeapLock lock(mutex);
    MappedSegment* record = OpenRecord(id, mapRequestSize);
    segments.push_back(record);
    if (cookie != nullptr) {
        *cookie = record;
    }
    return record->View();
}

void FileMappingHeap::Unmap(MappedSegment* cookie)
{
    if (directory == nullptr || cookie == nullptr) {
        return;
    }
    HeapLock lock(mutex);
    auto found = std::find(segments.begin(), segments.end(), cookie);
    if (found != segments.end()) {
        segments.erase(found);
        CloseRecord(cookie);
    }
}

MappedSegment* FileMappingHeap::FindRecord(void* view)
{
    if (directory == nullptr || view == nullptr) {
        return nullptr;
    }
    HeapLock lock(mutex);
    for (MappedSegment* record : segments) {
        if (record->View() == view) {
            return record;
        }
    }
    return nullptr;
}

OvString FileMappingHeap::SegmentName(long number) const
{
    // The directory is named like the heap itself; segments "%s_%ld".
    if (number < 0) {
        return name;
    }
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, "_%ld", number);
    return name + suffix;
}

MappedSegment* FileMappingHeap::OpenRecord(long number, uint32_t size)
{
    auto* record = new MappedSegment(SegmentName(number), static_cast<int32_t>(number), size);
    if (record->View() != nullptr) {
        heapCount(record->WasCreated() ? HeapCost::SegmentCreated : HeapCost::SegmentOpened);
        heapCount(HeapCost::View);
    }
    return record;
}

void FileMappingHeap::CloseRecord(MappedSegment* record)
{
    if (record->View() != nullptr) {
        heapCount(HeapCost::Unmap);
    }
    record->Close();
    delete record;
}

FileMappingHeap::KeptResult FileMappingHeap::MapKept(long id, MappedSegment** record, bool askHolders)
{
    return kept->Map(id, record, askHolders);
}

void FileMappingHeap::DoneKept(MappedSegment* record)
{
    kept->Done(record);
}

void FileMappingHeap::ForgetKept(MappedSegment* record)
{
    kept->Forget(record);
}

bool FileMappingHeap::WouldOpen(long id, bool askHolders)
{
    return kept->WouldOpen(id, askHolders);
}

void FileMappingHeap::SweepKept(int keepIdle)
{
    kept->Sweep(keepIdle);
}
