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
// The heap adds this much to every block it makes.
constexpr int64_t allocSlack = 4;
constexpr int64_t pageSize = 4096;

// The bytes a new block gets for a block of `size` bytes: whole pages for a
// page or more.
int32_t RoomFor(int32_t size)
{
    if (size < pageSize) {
        return size;
    }
    const int64_t pages = (size + allocSlack + pageSize - 1) / pageSize;
    const int64_t room = pages * pageSize - allocSlack;
    return room <= 0x7fffffff - allocSlack ? static_cast<int32_t>(room) : size;
}

// A spare serves a block of `size` bytes when it is large enough and not so
// large that a smaller block would be wasted on it.
bool Serves(int32_t room, int32_t size)
{
    return room >= size && static_cast<int64_t>(room) <= std::max<int64_t>(2 * static_cast<int64_t>(size), pageSize);
}
} // namespace

void OwnDataBlocks::Free(const Block& block)
{
    sharedStore(block.header->size, 0);
    heap.Free(block.header);
}

void OwnDataBlocks::FreeAll()
{
    for (const auto& [id, block] : blocks) {
        Free(block);
    }
    blocks.clear();
    putOrder.clear();
    for (const Block& block : spares) {
        Free(block);
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
    auto fits = [size](const Block& block) { return Serves(block.room, size); };
    auto spare = std::find_if(spares.rbegin(), spares.rend(), fits);
    Block block{nullptr, 0, 0};
    if (spare != spares.rend()) {
        block = *spare;
        spares.erase(std::next(spare).base());
        sparesLowWater = std::min(sparesLowWater, spares.size());
    } else {
        const int32_t room = RoomFor(size);
        block.header = static_cast<Header*>(heap.Alloc(room));
        if (block.header == nullptr) {
            return block;
        }
        block.id = static_cast<int32_t>(heap.GetID(block.header));
        block.room = room;
    }
    procqueue::WriteHeader(*block.header, size, block.id, -1);
    blocks[block.id] = block;
    putOrder.push_back(block.id);
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

void OwnDataBlocks::RetireDelivered(bool everywhere)
{
    if (!everywhere) {
        while (!putOrder.empty() && Retire(putOrder.front())) {
            putOrder.pop_front();
        }
        return;
    }
    for (auto it = blocks.begin(); it != blocks.end();) {
        const int32_t id = it->first;
        ++it;
        Retire(id);
    }
    std::erase_if(putOrder, [this](int32_t id) { return blocks.count(id) == 0; });
}

// True when the block is no longer outstanding: delivered everywhere (and
// now a spare or freed) or retired before.
bool OwnDataBlocks::Retire(int32_t id)
{
    const auto found = blocks.find(id);
    if (found == blocks.end()) {
        return true;
    }
    const Block block = found->second;
    if (sharedLoad(block.header->refCount) >= 0) {
        return false;
    }
    blocks.erase(found);
    if (spares.size() < spareLimit) {
        spares.push_back(block);
    } else {
        Free(block);
    }
    return true;
}

void OwnDataBlocks::TrimSpares(uint32_t now)
{
    if (now - lastTrim < trimIntervalMs) {
        return;
    }
    lastTrim = now;
    RetireDelivered(true);
    const size_t unwanted = sparesLowWater > sparesKept ? sparesLowWater - sparesKept : 0;
    for (size_t i = 0; i < unwanted; ++i) {
        Free(spares[i]);
    }
    spares.erase(spares.begin(), spares.begin() + static_cast<std::ptrdiff_t>(unwanted));
    sparesLowWater = spares.size();
}
