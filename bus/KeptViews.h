#pragma once

#include "bus/FileMappingHeap.h"

#include <mutex>
#include <unordered_map>

class MappedSegment;

// The views of one heap's segments that this process keeps between uses, so
// that putting and delivering do not open and close a segment each time.
// Views may be kept only where the system can tell whether anybody else
// still holds a segment, and that is the liveness rule: a kept segment that
// nobody else holds counts as vanished, as a fresh Map would have found it,
// and its view goes. Where nobody can be asked, Map maps afresh and Done
// unmaps.
//
// Any thread may call it. Its own lock is taken before the heap's mutex,
// never after it, and views are opened and closed under the heap's mutex like
// every segment of the heap. Its owner sweeps every few milliseconds, so that
// views kept by several processes cannot keep a segment alive for each other
// for longer.
class KeptViews {
public:
    using Result = FileMappingHeap::KeptResult;

    explicit KeptViews(FileMappingHeap& heap);
    KeptViews(const KeptViews&) = delete;
    KeptViews& operator=(const KeptViews&) = delete;

    // With askHolders, a kept segment that nobody else holds counts as
    // vanished (asked without the heap's mutex: it only ever finds a segment
    // gone that is going anyway).
    Result Map(long id, MappedSegment** record, bool askHolders);
    void Done(MappedSegment* record);
    // True when Map of the number would open the segment now.
    bool WouldOpen(long id);
    // Lets go of every view, or with keepUsed of those not used since the
    // last sweep.
    void Sweep(bool keepUsed);
    void CloseAll();

private:
    Result MapAfresh(long id, MappedSegment** record);

    struct View {
        MappedSegment* record;
        bool used; // since the last sweep
    };
    FileMappingHeap& heap;
    const bool enabled;
    std::mutex lock;
    std::unordered_map<long, View> views;
};
