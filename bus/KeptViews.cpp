#include "bus/KeptViews.h"

#include "bus/HeapLock.h"
#include "bus/MappedSegment.h"
#include "platform/SharedSegment.h"

#include <algorithm>

namespace {
// Map asks for this much: an existing segment opens at its own size, a
// vanished one comes back as a fresh zeroed word.
constexpr uint32_t mapRequestSize = 4;
} // namespace

KeptViews::KeptViews(FileMappingHeap& heap) : heap(heap), enabled(platform::SharedSegment::CanTellHolders()) {}

KeptViews::Result KeptViews::MapAfresh(long id, MappedSegment** record)
{
    heap.Map(id, record);
    const Result result = *record == nullptr || (*record)->View() == nullptr ? Result::Failed
                          : (*record)->WasCreated()                          ? Result::Vanished
                                                                             : Result::Mapped;
    if (result != Result::Mapped) {
        heap.Unmap(*record);
        *record = nullptr;
    }
    return result;
}

KeptViews::Result KeptViews::Map(long id, MappedSegment** record, bool askHolders)
{
    *record = nullptr;
    if (!enabled) {
        return MapAfresh(id, record);
    }
    if (!heap.IsUsable() || id < 0 || id > 0x7fffffffL) {
        return Result::Failed;
    }
    std::lock_guard<std::mutex> keeping(lock);
    auto found = views.find(id);
    if (found != views.end()) {
        if (!askHolders || !found->second.record->IsSoleHolder()) {
            found->second.used = true;
            *record = found->second.record;
            return Result::Mapped;
        }
        // Everybody else has gone: without our view the segment would have
        // vanished, so it has.
        HeapLock heapLock(heap.mutex);
        heap.CloseRecord(found->second.record);
        views.erase(found);
        return Result::Vanished;
    }
    HeapLock heapLock(heap.mutex);
    MappedSegment* opened = heap.OpenRecord(id, mapRequestSize);
    if (opened->View() == nullptr || opened->WasCreated()) {
        const bool created = opened->View() != nullptr;
        heap.CloseRecord(opened);
        return created ? Result::Vanished : Result::Failed;
    }
    views.emplace(id, View{opened, true});
    *record = opened;
    return Result::Mapped;
}

void KeptViews::Done(MappedSegment* record)
{
    if (!enabled) {
        heap.Unmap(record);
    }
}

bool KeptViews::WouldOpen(long id)
{
    std::lock_guard<std::mutex> keeping(lock);
    return enabled && views.find(id) == views.end();
}

void KeptViews::Sweep(bool keepUsed)
{
    std::lock_guard<std::mutex> keeping(lock);
    const auto unused = [keepUsed](const auto& entry) { return !keepUsed || !entry.second.used; };
    if (std::none_of(views.begin(), views.end(), unused)) {
        for (auto& [id, view] : views) {
            view.used = false;
        }
        return;
    }
    HeapLock heapLock(heap.mutex);
    for (auto entry = views.begin(); entry != views.end();) {
        if (unused(*entry)) {
            heap.CloseRecord(entry->second.record);
            entry = views.erase(entry);
        } else {
            entry->second.used = false;
            ++entry;
        }
    }
}

void KeptViews::CloseAll()
{
    std::lock_guard<std::mutex> keeping(lock);
    HeapLock heapLock(heap.mutex);
    for (auto& [id, view] : views) {
        heap.CloseRecord(view.record);
    }
    views.clear();
}
