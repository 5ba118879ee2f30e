#pragma once

#include "bus/SharedHeap.h"
#include "foundation/OvString.h"
#include "platform/Export.h"
#include "platform/NamedMutex.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class KeptViews;
class MappedSegment;
class SharedHeapClient;
struct HeapDirectory;

// A SharedHeap whose blocks are named shared segments "<name>_<number>".
//
// A directory segment named like the heap holds the counter numbers are
// taken from; the mutex "<name>Mutex" serialises the counter across processes
// and guards this object's list of views, and every open and close of the
// heap's segments happens while it is held. Numbers are never reused while the
// directory exists; a segment vanishes when its last view anywhere is closed,
// and the directory and the mutex's name vanish with the last heap of the name.
//
// Every operation may be called from any thread. The client, when given, is
// called once from the constructor with the mutex held; it may call the heap.
// A heap whose mutex or directory cannot be had stays inert: Alloc and Map
// return null, GetID returns 0, Free and Unmap do nothing.
class VELMORA_API FileMappingHeap : public SharedHeap {
public:
    FileMappingHeap(const char* name, SharedHeapClient* client, int rootSize);

    void* Alloc(long size) override;
    void Free(void* view) override;
    long GetID(void* view) override;
    void* Map(long id, MappedSegment** cookie = nullptr) override;
    void Unmap(MappedSegment* cookie) override;
    virtual ~FileMappingHeap();

    FileMappingHeap(const FileMappingHeap&) = delete;
    FileMappingHeap& operator=(const FileMappingHeap&) = delete;

    bool IsUsable() const { return directory != nullptr; }
    // The record behind a view of this process (for its size), or null.
    MappedSegment* FindRecord(void* view);

    // Views this process keeps between uses (KeptViews): with askHolders, a
    // kept segment that nobody else holds counts as vanished, as Map would
    // have found it, and where nobody can be asked MapKept maps afresh and
    // DoneKept unmaps. Without it the caller tells staleness itself, and
    // ForgetKept drops a view whose segment its creator let go.
    enum class KeptResult { Mapped, Vanished, Failed };
    KeptResult MapKept(long id, MappedSegment** record, bool askHolders = true);
    void DoneKept(MappedSegment* record);
    void ForgetKept(MappedSegment* record);
    // True when MapKept of the number would open a segment and keep its view.
    bool WouldOpen(long id, bool askHolders = false);
    // Lets go of the kept views not used in the last keepIdle sweeps (with 0,
    // of every kept view not in use), and of those whose first word reads 0.
    // Called every few milliseconds, so that views kept by several processes
    // cannot keep a segment alive for each other for longer.
    void SweepKept(int keepIdle = 0);
    // Removes the heap's segments that no process holds any more, left by
    // processes that ended without closing them, and names them. The last
    // heap of a name does this as it goes.
    std::vector<std::string> RemoveLeftovers();

private:
    friend class KeptViews;
    OvString SegmentName(long number) const;
    MappedSegment* OpenRecord(long number, uint32_t size);
    void CloseRecord(MappedSegment* record);

    OvString name;
    platform::NamedMutex mutex;
    MappedSegment* directorySegment = nullptr;
    HeapDirectory* directory = nullptr;
    std::vector<MappedSegment*> segments;
    std::unique_ptr<KeptViews> kept;
};
