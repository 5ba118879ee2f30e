#include "BusStatus.h"

#include "bus/COProcDispatcher.h"
#include "bus/FileMappingHeap.h"
#include "bus/LockHolder.h"
#include "bus/MappedSegment.h"
#include "bus/ProcQueueLayout.h"
#include "bus/SharedHeapClient.h"
#include "bus/SharedWord.h"
#include "platform/Clock.h"
#include "platform/ProcessLiveness.h"
#include "platform/UnheldSegments.h"

#include <cstdio>
#include <memory>

using namespace procqueue;

namespace {

constexpr int chainLimit = 4096;

class RootReader : public SharedHeapClient {
public:
    bool created = false;
    int32_t tableId = 0;
    void OnHeapAttached(bool fresh, int32_t* rootSlot, SharedHeap*) override
    {
        created = fresh;
        tableId = rootSlot != nullptr ? *rootSlot : 0;
    }
};

bool Runs(uint32_t processId)
{
    uint64_t start = 0;
    return processId != 0 && platform::QueryProcessStart(processId, &start) != platform::ProcessRun::Ended;
}

void ReadLock(COProcDispatcher::Header& header, LockState& lock)
{
    lock.held = sharedLoad(header.lock) >= 0;
    if (lock.held) {
        lock.holder = LockHolder::ProcessId(sharedLoad(header.reserved));
        lock.holderRuns = Runs(lock.holder);
    }
}

// The queue's first block, or null when it has vanished.
COProcDispatcher::Header* ReadQueue(FileMappingHeap& heap, QueueState& queue)
{
    COProcDispatcher::Header* first = nullptr;
    int32_t id = queue.queueId;
    for (int walked = 0; id > 0 && walked < chainLimit; ++walked) {
        MappedSegment* record = nullptr;
        heap.Map(id, &record);
        const int32_t capacity = UsableCapacity(record, id);
        if (capacity <= 0) {
            queue.vanished = walked == 0;
            return first;
        }
        auto* block = static_cast<EventQueueBlock*>(record->View());
        if (walked == 0) {
            ReadLock(block->header, queue.lock);
            first = &block->header;
        }
        ++queue.blocks;
        for (int32_t i = 0; i < capacity && SlotAt(block, i)->eventCode != 0; ++i) {
            ++queue.backlog;
            queue.dataEvents += SlotAt(block, i)->dataSize != 0 ? 1 : 0;
        }
        id = block->nextId;
    }
    return first;
}

// How long each lock seen held stays held by the same holder, up to watchMs.
void WatchLocks(const std::vector<std::pair<COProcDispatcher::Header*, LockState*>>& locks, uint32_t watchMs)
{
    const uint32_t start = platform::MillisecondClock();
    std::vector<bool> stillHeld;
    for (const auto& entry : locks) {
        stillHeld.push_back(entry.second->held);
    }
    for (;;) {
        const uint32_t now = platform::MillisecondClock() - start;
        bool anyHeld = false;
        for (size_t i = 0; i < locks.size(); ++i) {
            const auto& [header, lock] = locks[i];
            stillHeld[i] = stillHeld[i] && sharedLoad(header->lock) >= 0 &&
                           LockHolder::ProcessId(sharedLoad(header->reserved)) == lock->holder;
            if (stillHeld[i]) {
                lock->heldMs = now;
                anyHeld = true;
            }
        }
        if (!anyHeld || now >= watchMs) {
            return;
        }
        platform::SleepMilliseconds(10);
    }
}

} // namespace

BusState ReadBusState(const std::string& bus, uint32_t watchMs)
{
    BusState state;
    const std::string heapName = bus + "_Array";
    // Where the system lists its shared objects, a bus that is not there is
    // not made by looking.
    if (platform::SharedObjectNames(heapName).empty() && !platform::SharedObjectNames("").empty()) {
        return state;
    }
    RootReader root;
    FileMappingHeap heap(heapName.c_str(), &root, 0);
    if (root.created || root.tableId <= 0) {
        return state;
    }
    auto* table = static_cast<COProcDispatcher::QueueArray*>(heap.Map(root.tableId));
    if (table == nullptr || table->header.size != COProcDispatcher::QUEUE_ARRAY_SIZE) {
        return state;
    }
    state.exists = true;
    state.tableId = root.tableId;
    ReadLock(table->header, state.tableLock);
    std::vector<COProcDispatcher::Header*> firstBlocks;
    for (const COProcDispatcher::QueueEntry& entry : table->entries) {
        if (entry.queueId <= 0) {
            continue;
        }
        QueueState queue;
        queue.queueId = entry.queueId;
        queue.owner = LockHolder::ProcessId(entry.reserved);
        queue.ownerRuns = Runs(queue.owner) && !LockHolder::IsGone(entry.reserved, platform::ProcessClockNowMs());
        queue.ownerName = queue.ownerRuns ? platform::ProcessName(queue.owner) : "";
        firstBlocks.push_back(ReadQueue(heap, queue));
        state.queues.push_back(queue);
    }
    std::vector<std::pair<COProcDispatcher::Header*, LockState*>> locks{{&table->header, &state.tableLock}};
    for (size_t i = 0; i < state.queues.size(); ++i) {
        if (firstBlocks[i] != nullptr) {
            locks.emplace_back(firstBlocks[i], &state.queues[i].lock);
        }
    }
    WatchLocks(locks, watchMs);
    return state;
}

namespace {

std::string Quoted(const std::string& text)
{
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        if (static_cast<unsigned char>(c) >= 0x20) {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string LockText(const LockState& lock, bool json)
{
    char line[160];
    if (json) {
        std::snprintf(line, sizeof line, "{\"held\": %s, \"holder\": %u, \"holderRuns\": %s, \"heldMs\": %u}",
                      lock.held ? "true" : "false", lock.holder, lock.holderRuns ? "true" : "false", lock.heldMs);
    } else if (!lock.held) {
        std::snprintf(line, sizeof line, "lock free");
    } else if (lock.holder == 0) {
        std::snprintf(line, sizeof line, "lock held by a process that did not record itself, for %u ms or more",
                      lock.heldMs);
    } else {
        std::snprintf(line, sizeof line, "lock held by %u (%s), for %u ms or more", lock.holder,
                      lock.holderRuns ? "running" : "ended", lock.heldMs);
    }
    return line;
}

std::string QueueText(const QueueState& queue, bool json)
{
    char line[256];
    const std::string name = json ? Quoted(queue.ownerName) : queue.ownerName.empty() ? "?" : queue.ownerName;
    if (json) {
        std::snprintf(line, sizeof line,
                      "{\"queue\": %d, \"owner\": %u, \"ownerName\": %s, \"ownerRuns\": %s, \"vanished\": %s, "
                      "\"backlog\": %d, \"blocks\": %d, \"dataEvents\": %d, \"lock\": ",
                      queue.queueId, queue.owner, name.c_str(), queue.ownerRuns ? "true" : "false",
                      queue.vanished ? "true" : "false", queue.backlog, queue.blocks, queue.dataEvents);
        return line + LockText(queue.lock, true) + "}";
    }
    if (queue.owner == 0) {
        std::snprintf(line, sizeof line, "queue %d: owner not recorded", queue.queueId);
    } else {
        std::snprintf(line, sizeof line, "queue %d: owner %u %s (%s)", queue.queueId, queue.owner, name.c_str(),
                      queue.ownerRuns ? "running" : "ended");
    }
    std::string text = line;
    if (queue.vanished) {
        return text + ", vanished";
    }
    std::snprintf(line, sizeof line, ", backlog %d events in %d block%s, %d with data, ", queue.backlog, queue.blocks,
                  queue.blocks == 1 ? "" : "s", queue.dataEvents);
    return text + line + LockText(queue.lock, false);
}

} // namespace

std::string FormatBusState(const std::string& bus, const BusState& state, bool json)
{
    if (json) {
        std::string text = "{\"bus\": " + Quoted(bus) + ", \"exists\": " + (state.exists ? "true" : "false") +
                           ", \"table\": " + std::to_string(state.tableId) +
                           ", \"tableLock\": " + LockText(state.tableLock, true) + ", \"queues\": [";
        for (size_t i = 0; i < state.queues.size(); ++i) {
            text += (i > 0 ? ", " : "") + QueueText(state.queues[i], true);
        }
        return text + "]}\n";
    }
    if (!state.exists) {
        return "bus " + bus + ": not there (no process has it open)\n";
    }
    std::string text = "bus " + bus + ": " + std::to_string(state.queues.size()) + " of " +
                       std::to_string(COProcDispatcher::QUEUE_ENTRIES) + " queues attached, table " +
                       LockText(state.tableLock, false) + "\n";
    for (const QueueState& queue : state.queues) {
        text += "  " + QueueText(queue, false) + "\n";
    }
    return text;
}
