#pragma once

#include "events/COEvent.h"

#include <cstddef>

// A FIFO of event records held by value, in blocks of 1000 so that a post
// costs no allocation of its own most of the time. The storage is released
// as soon as the queue runs empty. Not locked: its owner guards it.
class EventQueue {
public:
    EventQueue() = default;
    ~EventQueue();
    EventQueue(const EventQueue&) = delete;
    EventQueue& operator=(const EventQueue&) = delete;

    bool IsEmpty() const { return head == nullptr; }
    void Push(const COEvent& event);
    // Moves the oldest record into event; false when the queue is empty.
    bool Pop(COEvent& event);
    // Drops every record, freeing the data copies of those that carry one.
    void DiscardAll();

    static constexpr size_t RECORDS_PER_BLOCK = 1000;

private:
    struct Block {
        Block* next;
        COEvent records[RECORDS_PER_BLOCK];
    };

    void ReleaseStorage();

    Block* head = nullptr;
    Block* tail = nullptr;
    size_t headIndex = 0; // next record to pop in head
    size_t tailIndex = 0; // next free record in tail
};
