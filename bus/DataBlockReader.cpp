#include "bus/DataBlockReader.h"

#include "bus/FileMappingHeap.h"
#include "bus/MappedSegment.h"
#include "bus/OwnDataBlocks.h"
#include "bus/SharedWord.h"

namespace {
constexpr int32_t headerSize = static_cast<int32_t>(sizeof(COProcDispatcher::Header));
}

DataBlockReader::Header* DataBlockReader::Map(FileMappingHeap& heap, const OwnDataBlocks& own, const COEvent& event,
                                              MappedSegment** cookie)
{
    const auto id = static_cast<int32_t>(event.Value());
    if (event.dataSize < 0 || event.dataSize > 0x7fffffff - headerSize || id < 0) {
        return nullptr;
    }
    const int32_t expected = event.dataSize + headerSize;
    bool isOwn = false;
    Header* ownView = own.OwnView(id, expected, &isOwn);
    if (isOwn) {
        *cookie = nullptr;
        return ownView;
    }
    // A peer's block, through a kept view. Its creator writes 0 into the size
    // before it lets the block go and never names the number again, so a view
    // showing 0 is stale and the event's block is gone.
    FileMappingHeap::KeptResult found = heap.MapKept(id, cookie, false);
    if (found == FileMappingHeap::KeptResult::Failed) {
        // Out of descriptors or address space, most likely with views kept
        // for later: let them go and try once more rather than drop the event.
        heap.SweepKept(0);
        found = heap.MapKept(id, cookie, false);
    }
    if (found != FileMappingHeap::KeptResult::Mapped) {
        return nullptr;
    }
    auto* header = static_cast<Header*>((*cookie)->View());
    if ((*cookie)->Size() < sizeof(Header) || sharedLoad(header->size) == 0) {
        heap.ForgetKept(*cookie);
        return nullptr;
    }
    if ((*cookie)->Size() < static_cast<size_t>(expected) || header->size != expected || header->id != id) {
        heap.DoneKept(*cookie);
        return nullptr;
    }
    return header;
}

void DataBlockReader::Delivered(FileMappingHeap& heap, Header* header, MappedSegment* cookie)
{
    sharedDecrement(header->refCount);
    heap.DoneKept(cookie);
}
