#pragma once

#include "afx/CObject.h"
#include "foundation/MemoryPool.h"
#include "platform/Export.h"

#include <cstddef>

// The base of objects that can be carved from a MemoryPool. While no pool is
// selected (the state after start-up) its operator new and delete are the
// global allocator. A thread that selects a pool with UseMemoryPool holds the
// process-wide allocation lock until it deselects: other threads' DObject
// allocations and deletions wait for it, while the selecting thread's own go
// to the pool without waiting. Every allocation and deletion takes that lock;
// the flag setters act on whichever pool is current and take no lock.
//
// Selections do not stack. Each selection is matched by one deselection on
// the same thread; selecting B while A is current makes B current, and the
// next deselection clears it while the lock stays held once more, to be left
// by the deselection matching A. Selecting the current pool again changes
// nothing.
//
// Pooled objects must be deleted while their pool is current: afterwards
// their memory would go to the global allocator.
class VELMORA_API DObject : public CObject {
public:
    DObject() = default;
    ~DObject() override;

    static void* operator new(std::size_t size);
    static void operator delete(void* block);

    // Selects pool, or deselects with null (see the class comment). A
    // deselection by a thread that has selected nothing changes nothing.
    static void UseMemoryPool(MemoryPool* pool);

    static void SetBlockAlloc(int on);
    static int GetBlockAlloc();
    static void SetAutomaticDelete(int on);

    // A value kept for the host; nothing here reads it.
    static void SetMemSaved(int value);
    static int MemSaved();

    // Destroys the object through its virtual destructor, so that the class's
    // operator delete frees it. Called through a null pointer it does nothing.
    void Kill();
};
