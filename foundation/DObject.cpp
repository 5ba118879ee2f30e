#include "foundation/DObject.h"

#include "afx/AfxMemory.h"
#include "platform/CriticalSection.h"

#include <atomic>

namespace {
// Created on first use, so that allocations made by other units' static
// initialisers find the lock ready; forced below as well, so that it exists
// before the program starts any thread. It is never destroyed: objects may
// still be deleted by other units' static destructors. Inlined, because every
// allocation asks for it.
[[gnu::always_inline]] inline platform::CriticalSection& AllocationLock()
{
    static platform::CriticalSection& lock = *new platform::CriticalSection;
    return lock;
}
[[maybe_unused]] platform::CriticalSection& lockMadeAtStartUp = AllocationLock();

// Changed only under the allocation lock; atomic because the flag setters
// read it without the lock.
std::atomic<MemoryPool*> currentPool{nullptr};
std::atomic<int> memSaved{0};
} // namespace

DObject::~DObject() = default;

void* DObject::operator new(std::size_t size)
{
    const platform::CriticalSection::Scope scope(AllocationLock());
    MemoryPool* pool = currentPool.load(std::memory_order_relaxed);
    return pool != nullptr ? pool->Allocate(size, true) : AfxAllocateMemory(size);
}

void DObject::operator delete(void* block)
{
    const platform::CriticalSection::Scope scope(AllocationLock());
    MemoryPool* pool = currentPool.load(std::memory_order_relaxed);
    if (pool != nullptr) {
        pool->Release(block);
    } else {
        AfxFreeMemory(block);
    }
}

void DObject::UseMemoryPool(MemoryPool* pool)
{
    platform::CriticalSection& lock = AllocationLock();
    if (pool == nullptr) {
        // Only a selecting thread may clear the selection: another thread
        // would leave a lock it does not hold and pull the pool from under
        // the thread that does.
        if (lock.HeldByCurrentThread()) {
            currentPool.store(nullptr, std::memory_order_relaxed);
            lock.Leave();
        }
        return;
    }
    lock.Enter();
    if (currentPool.load(std::memory_order_relaxed) == pool) {
        lock.Leave();
        return;
    }
    currentPool.store(pool, std::memory_order_relaxed);
}

void DObject::SetBlockAlloc(int on)
{
    if (MemoryPool* pool = currentPool.load(std::memory_order_relaxed)) {
        pool->blockAlloc = on;
    }
}

int DObject::GetBlockAlloc()
{
    const MemoryPool* pool = currentPool.load(std::memory_order_relaxed);
    return pool != nullptr ? pool->blockAlloc : 0;
}

void DObject::SetAutomaticDelete(int on)
{
    if (MemoryPool* pool = currentPool.load(std::memory_order_relaxed)) {
        pool->automaticDelete = on;
    }
}

void DObject::SetMemSaved(int value)
{
    memSaved.store(value, std::memory_order_relaxed);
}

int DObject::MemSaved()
{
    return memSaved.load(std::memory_order_relaxed);
}

void DObject::Kill()
{
    // Callers rely on calling this through a null pointer. The volatile copy
    // keeps the compiler from assuming that this can never be null.
    DObject* volatile self = this;
    if (self != nullptr) {
        delete self;
    }
}
