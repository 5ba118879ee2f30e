#include "bus/FileMappingHeap.h"

#include "bus/HeapCounters.h"
#include "bus/HeapDirectory.h"
#include "bus/MappedSegment.h"
#include "bus/SharedHeapClient.h"

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

class HeapLock {
public:
    explicit HeapLock(platform::NamedMutex& mutex) : mutex(mutex)
    {
        mutex.Lock();
        heapCount(HeapCost::MutexAcquired);
    }
    ~HeapLock() { mutex.Unlock(); }

private:
    platform::NamedMutex& mutex;
};

} // namespace

FileMappingHeap::FileMappingHeap(const char* heapName, SharedHeapClient* client, int rootSize)
    : name(heapName != nullptr ? heapName : ""), keepViews(platform::SharedSegment::CanTellHolders())
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
    std::lock_guard<std::mutex> keeping(keptLock);
    HeapLock lock(mutex);
    for (MappedSegment* record : segments) {
        CloseRecord(record);
    }
    segments.clear();
    for (auto& [id, view] : kept) {
        CloseRecord(view.record);
    }
    kept.clear();
    if (directorySegment != nullptr) {
        // The last heap of the name takes the directory with it, and then the
        // mutex's name, which only a holder may remove.
        const bool last = directorySegment->IsSoleHolder();
        CloseRecord(directorySegment);
        directorySegment = nullptr;
        directory = nullptr;
        if (last) {
            mutex.RemoveName();
        }
    }
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
    *record = nullptr;
    if (!keepViews) {
        Map(id, record);
        const KeptResult result = *record == nullptr || (*record)->View() == nullptr ? KeptResult::Failed
                                  : (*record)->WasCreated()                          ? KeptResult::Vanished
                                                                                     : KeptResult::Mapped;
        if (result != KeptResult::Mapped) {
            Unmap(*record);
            *record = nullptr;
        }
        return result;
    }
    if (directory == nullptr || id < 0 || id > 0x7fffffffL) {
        return KeptResult::Failed;
    }
    std::lock_guard<std::mutex> keeping(keptLock);
    auto found = kept.find(id);
    if (found != kept.end()) {
        if (!askHolders || !found->second.record->IsSoleHolder()) {
            found->second.used = true;
            *record = found->second.record;
            return KeptResult::Mapped;
        }
        // Everybody else has gone: without our view the segment would have
        // vanished, so it has.
        HeapLock lock(mutex);
        CloseRecord(found->second.record);
        kept.erase(found);
        return KeptResult::Vanished;
    }
    HeapLock lock(mutex);
    MappedSegment* opened = OpenRecord(id, mapRequestSize);
    if (opened->View() == nullptr) {
        CloseRecord(opened);
        return KeptResult::Failed;
    }
    if (opened->WasCreated()) {
        CloseRecord(opened);
        return KeptResult::Vanished;
    }
    kept.emplace(id, KeptView{opened, true});
    *record = opened;
    return KeptResult::Mapped;
}

void FileMappingHeap::DoneKept(MappedSegment* record)
{
    if (!keepViews) {
        Unmap(record);
    }
}

bool FileMappingHeap::WouldOpen(long id)
{
    std::lock_guard<std::mutex> keeping(keptLock);
    return keepViews && kept.find(id) == kept.end();
}

void FileMappingHeap::SweepKept(bool keepUsed)
{
    std::lock_guard<std::mutex> keeping(keptLock);
    const auto unused = [keepUsed](const auto& entry) { return !keepUsed || !entry.second.used; };
    if (std::none_of(kept.begin(), kept.end(), unused)) {
        for (auto& [id, view] : kept) {
            view.used = false;
        }
        return;
    }
    HeapLock lock(mutex);
    for (auto entry = kept.begin(); entry != kept.end();) {
        if (unused(*entry)) {
            CloseRecord(entry->second.record);
            entry = kept.erase(entry);
        } else {
            entry->second.used = false;
            ++entry;
        }
    }
}
