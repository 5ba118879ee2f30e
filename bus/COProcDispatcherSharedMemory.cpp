#include "bus/COProcDispatcher.h"

#include "bus/FileMappingHeap.h"
#include "bus/OwnDataBlocks.h"
#include "bus/ProcessDataHeap.h"
#include "bus/SharedSpinLock.h"
#include "bus/SharedWord.h"

// The dispatcher's operations on single shared words and blocks: the data
// blocks' counts and the header locks, for the dispatcher and for programs
// that hold a data pointer of a delivered event.

namespace {
constexpr int32_t dataHeaderSize = static_cast<int32_t>(sizeof(COProcDispatcher::Header));
} // namespace

long COProcDispatcher::AddRefEventData(COEvent* event)
{
    if (dataBlocks != nullptr) {
        return dataBlocks->AddReference(*event);
    }
    return OwnDataBlocks::ChangeReference(ProcessDataHeap::Get(), *event, +1);
}

void COProcDispatcher::UnrefEventData(COEvent* event)
{
    // Reaching -1 frees nothing here: the creator frees its view when idle.
    OwnDataBlocks::ChangeReference(ProcessDataHeap::Get(), *event, -1);
}

COProcDispatcher::Header* COProcDispatcher::staticGetHeader(void* data)
{
    return reinterpret_cast<Header*>(static_cast<char*>(data) - dataHeaderSize);
}

bool COProcDispatcher::Lock(Header& header, int timeout)
{
    return SharedSpinLock::Lock(header, timeout);
}

void COProcDispatcher::Unlock(Header& header)
{
    SharedSpinLock::Unlock(header);
}

long COProcDispatcher::staticAddRefSharedMemory(void* data)
{
    return sharedIncrement(staticGetHeader(data)->refCount);
}

void COProcDispatcher::staticUnrefSharedMemory(void* data)
{
    Header* header = staticGetHeader(data);
    if (sharedDecrement(header->refCount) < 0 && ProcessDataHeap::Get() != nullptr) {
        ProcessDataHeap::Get()->Free(header);
    }
}

bool COProcDispatcher::staticLockSharedMemory(void* data, int timeout)
{
    return Lock(*staticGetHeader(data), timeout);
}

void COProcDispatcher::staticUnlockSharedMemory(void* data)
{
    Unlock(*staticGetHeader(data));
}
