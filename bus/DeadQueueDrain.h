#pragma once

#include <cstdint>

class FileMappingHeap;

// Empties the queue of an owner that has ended, once its table entry is
// cleared: every event that carries data gives back its slot's reference, so
// that the data's creator can free the block at once instead of keeping it
// for a reader that will never come. Only the process that cleared the entry
// drains the queue, after letting go of the table; nobody puts into it any
// more. The blocks are locked one at a time: a lock the dead owner held is
// taken over and repaired on the way. Blocks that have vanished end the walk.
class DeadQueueDrain {
public:
    static void Drain(FileMappingHeap& queueHeap, FileMappingHeap* dataHeap, int32_t queueId);
};
