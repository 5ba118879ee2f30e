#pragma once

class FileMappingHeap;

// The heap every dispatcher of this process puts event data into: one
// FileMappingHeap named "COProcDispatcherHeap" for all buses, opened by the
// first dispatcher that attaches and closed with the last one. Each
// dispatcher that took it with Acquire gives it back with Release exactly
// once; both may be called from any thread.
class ProcessDataHeap {
public:
    static FileMappingHeap* Acquire();
    static void Release();
    // The heap while any dispatcher holds it, otherwise null.
    static FileMappingHeap* Get();
};
