#pragma once

#include "bus/FileMappingHeap.h"

#include <mutex>
#include <unordered_map>

class MappedSegment;

// The views of one heap's segments that this process keeps between uses, so
// that putting and delivering do not open and close a segment each time.
// Nobody else can see a kept view, but it keeps its segment alive, so each
// caller says how a kept view's staleness is told:
// - by the holders (askHolders): a kept segment that nobody else holds
//   counts as vanished, as a fresh Map would have found it, and its view
//   goes. Where the system cannot tell holders, such a view is not kept: Map
//   maps afresh and Done unmaps;
// - by the caller, without asking the system: a queue whose owner is known to
//   live, or a data block, whose creator writes 0 into its first word before
//   it lets the block go (Forget drops such a view at once).
// Any kept view whose first word reads 0 goes at the next sweep: the first
// word of every block is its size, 0 only once it has vanished or been let go.
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
    // Done, and the kept view goes as soon as nobody uses it: its segment was
    // let go by its creator.
    void Forget(MappedSegment* record);
    // True when Map of the number would open a segment and keep its view.
    bool WouldOpen(long id, bool askHolders);
    // Lets go of the views not used in the last keepIdle sweeps (with 0, of
    // every view), and of every view whose first word reads 0; never of a
    // view in use.
    void Sweep(int keepIdle);
    void CloseAll();

private:
    Result MapAfresh(long id, MappedSegment** record);

    struct View {
        MappedSegment* record;
        int idleSweeps; // sweeps since it was last used
        int inUse;      // Map calls not yet matched by Done; a view in use stays
        bool forgotten; // goes once nobody uses it
    };
    bool IsStale(const View& view) const;
    void Release(MappedSegment* record, bool forget);
    void CloseLocked(std::unordered_map<long, View>::iterator entry);
    FileMappingHeap& heap;
    // Whether the system can tell a segment's holders.
    const bool canAskHolders;
    std::mutex lock;
    std::unordered_map<long, View> views;
};
