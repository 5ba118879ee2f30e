#include "bus/KeptViews.h"

#include "bus/HeapLock.h"
#include "bus/MappedSegment.h"
#include "bus/SharedWord.h"
#include "platform/SharedSegment.h"

#include <algorithm>

namespace {
// Map asks for this much: an existing segment opens at its own size, a
// vanished one comes back as a fresh zeroed word.
constexpr uint32_t mapRequestSize = 4;
// Beyond this many kept views every view not in use goes at a sweep, however
// recently it was used: each costs a descriptor and an address range.
constexpr size_t keptLimit = 1024;
} // namespace

KeptViews::KeptViews(FileMappingHeap& heap) : heap(heap), canAskHolders(platform::SharedSegment::CanTellHolders()) {}

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
    if (askHolders && !canAskHolders) {
        return MapAfresh(id, record);
    }
    if (!heap.IsUsable() || id < 0 || id > 0x7fffffffL) {
        return Result::Failed;
    }
    std::lock_guard<std::mutex> keeping(lock);
    auto found = views.find(id);
    if (found != views.end() && !found->second.forgotten) {
        View& view = found->second;
        if (!askHolders || view.inUse > 0 || !view.record->IsSoleHolder()) {
            view.idleSweeps = 0;
            ++view.inUse;
            *record = view.record;
            return Result::Mapped;
        }
        // Everybody else has gone: without our view the segment would have
        // vanished, so it has.
        HeapLock heapLock(heap.mutex);
        CloseLocked(found);
        return Result::Vanished;
    }
    if (found != views.end()) {
        // Forgotten but still in use elsewhere in the process: its number
        // names nothing any more.
        return Result::Vanished;
    }
    HeapLock heapLock(heap.mutex);
    MappedSegment* opened = heap.OpenRecord(id, mapRequestSize);
    if (opened->View() == nullptr || opened->WasCreated()) {
        const bool created = opened->View() != nullptr;
        heap.CloseRecord(opened);
        return created ? Result::Vanished : Result::Failed;
    }
    views.emplace(id, View{opened, 0, 1, false});
    *record = opened;
    return Result::Mapped;
}

void KeptViews::Done(MappedSegment* record)
{
    Release(record, false);
}

void KeptViews::Forget(MappedSegment* record)
{
    Release(record, true);
}

// One use of the record ends; a forgotten kept view closes with its last use,
// and a view mapped afresh is unmapped.
void KeptViews::Release(MappedSegment* record, bool forget)
{
    if (record == nullptr) {
        return;
    }
    {
        std::lock_guard<std::mutex> keeping(lock);
        const auto found = views.find(record->Number());
        if (found != views.end() && found->second.record == record) {
            View& view = found->second;
            view.forgotten = view.forgotten || forget;
            view.inUse = std::max(view.inUse - 1, 0);
            if (view.inUse == 0 && view.forgotten) {
                HeapLock heapLock(heap.mutex);
                CloseLocked(found);
            }
            return;
        }
    }
    heap.Unmap(record); // mapped afresh
}

bool KeptViews::WouldOpen(long id, bool askHolders)
{
    if (askHolders && !canAskHolders) {
        return false; // such a view is not kept
    }
    std::lock_guard<std::mutex> keeping(lock);
    return views.find(id) == views.end();
}

// A view whose first word reads 0 shows a block that vanished or that its
// creator let go.
bool KeptViews::IsStale(const View& view) const
{
    return view.forgotten || view.record->Size() < sizeof(int32_t) ||
           sharedLoad(*static_cast<int32_t*>(view.record->View())) == 0;
}

void KeptViews::Sweep(int keepIdle)
{
    std::lock_guard<std::mutex> keeping(lock);
    if (views.size() > keptLimit) {
        keepIdle = 0;
    }
    const auto goes = [this, keepIdle](const View& view) {
        return view.inUse == 0 && (view.idleSweeps >= keepIdle || IsStale(view));
    };
    const bool any = std::any_of(views.begin(), views.end(), [&goes](const auto& entry) { return goes(entry.second); });
    if (!any) {
        for (auto& [id, view] : views) {
            ++view.idleSweeps;
        }
        return;
    }
    HeapLock heapLock(heap.mutex);
    for (auto entry = views.begin(); entry != views.end();) {
        if (goes(entry->second)) {
            heap.CloseRecord(entry->second.record);
            entry = views.erase(entry);
        } else {
            ++entry->second.idleSweeps;
            ++entry;
        }
    }
}

void KeptViews::CloseLocked(std::unordered_map<long, View>::iterator entry)
{
    heap.CloseRecord(entry->second.record);
    views.erase(entry);
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
