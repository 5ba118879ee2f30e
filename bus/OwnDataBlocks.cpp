#include "bus/OwnDataBlocks.h"

#include "bus/FileMappingHeap.h"
#include "bus/MappedSegment.h"
#include "bus/ProcQueueLayout.h"
#include "bus/SharedSpinLock.h"
#include "bus/SharedWord.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr int32_t dataHeaderSize = static_cast<int32_t>(sizeof(COProcDispatcher::Header));
// Delivered data blocks a sender keeps for reuse: at most this many, and
// after a trim without reuse no more than the few a steady sender needs.
constexpr size_t spareLimit = 1024;
constexpr size_t sparesKept = 8;
constexpr uint32_t trimIntervalMs = 50;
} // namespace

void OwnDataBlocks::FreeAll()
{
    for (const auto& [id, block] : blocks) {
        heap.Free(block.header);
    }
    blocks.clear();
    for (const Block& block : spares) {
        heap.Free(block.header);
    }
    spares.clear();
}

bool OwnDataBlocks::BeginPut(COEvent* event)
{
    const int32_t size = event->dataSize;
    if (event->data == nullptr || size > 0x7fffffff - dataHeaderSize - 4) {
        return false;
    }
    const Block block = NewBlock(size + dataHeaderSize);
    if (block.header == nullptr) {
        return false;
    }
    std::memcpy(reinterpret_cast<char*>(block.header) + dataHeaderSize, event->data, static_cast<size_t>(size));
    event->SetValue(block.id);
    SharedSpinLock::Unlock(*block.header);
    putting = block;
    return true;
}

// A block of the given size, written as new and still locked: a delivered
// one when one is large enough, otherwise a new segment.
OwnDataBlocks::Block OwnDataBlocks::NewBlock(int32_t size)
{
    auto fits = [size](const Block& block) { return block.room >= size; };
    auto spare = std::find_if(spares.rbegin(), spares.rend(), fits);
    Block block{nullptr, 0, 0};
    if (spare != spares.rend()) {
        block = *spare;
        spares.erase(std::next(spare).base());
        sparesLowWater = std::min(sparesLowWater, spares.size());
    } else {
        block.header = static_cast<Header*>(heap.Alloc(size));
        if (block.header == nullptr) {
            return block;
        }
        block.id = static_cast<int32_t>(heap.GetID(block.header));
        block.room = size;
    }
    procqueue::WriteHeader(*block.header, size, block.id, -1);
    blocks[block.id] = block;
    return block;
}

long OwnDataBlocks::AddReference(const COEvent& event)
{
    if (putting.header != nullptr && event.dataSize != 0 && event.Value() == putting.id) {
        return sharedIncrement(putting.header->refCount);
    }
    return ChangeReference(&heap, event, +1);
}

long OwnDataBlocks::ChangeReference(FileMappingHeap* heap, const COEvent& event, int delta)
{
    if (event.dataSize == 0 || heap == nullptr) {
        return 0;
    }
    MappedSegment* cookie = nullptr;
    auto* header = static_cast<Header*>(heap->Map(event.Value(), &cookie));
    long count = 0;
    if (header != nullptr && cookie->Size() >= sizeof(Header)) {
        count = delta > 0 ? sharedIncrement(header->refCount) : sharedDecrement(header->refCount);
    }
    heap->Unmap(cookie);
    return count;
}

OwnDataBlocks::Header* OwnDataBlocks::OwnView(int32_t id, int32_t expected, bool* isOwn) const
{
    const auto own = blocks.find(id);
    *isOwn = own != blocks.end();
    if (!*isOwn) {
        return nullptr;
    }
    return own->second.room >= expected && own->second.header->size == expected ? own->second.header : nullptr;
}

void OwnDataBlocks::RetireDelivered()
{
    for (auto it = blocks.begin(); it != blocks.end();) {
        const Block block = it->second;
        if (sharedLoad(block.header->refCount) >= 0) {
            ++it;
            continue;
        }
        it = blocks.erase(it);
        if (spares.size() < spareLimit) {
            spares.push_back(block);
        } else {
            heap.Free(block.header);
        }
    }
}

void OwnDataBlocks::TrimSpares(uint32_t now)
{
    if (now - lastTrim < trimIntervalMs) {
        return;
    }
    lastTrim = now;
    const size_t unwanted = sparesLowWater > sparesKept ? sparesLowWater - sparesKept : 0;
    for (size_t i = 0; i < unwanted; ++i) {
        heap.Free(spares[i].header);
    }
    spares.erase(spares.begin(), spares.begin() + static_cast<std::ptrdiff_t>(unwanted));
    sparesLowWater = spares.size();
}
