#include "events/EventQueue.h"

#include <cstdlib>

EventQueue::~EventQueue()
{
    ReleaseStorage();
}

void EventQueue::Push(const COEvent& event)
{
    if (tail == nullptr || tailIndex == RECORDS_PER_BLOCK) {
        auto* block = new Block;
        block->next = nullptr;
        if (tail == nullptr) {
            head = block;
            headIndex = 0;
        } else {
            tail->next = block;
        }
        tail = block;
        tailIndex = 0;
    }
    tail->records[tailIndex++] = event;
}

bool EventQueue::Pop(COEvent& event)
{
    if (head == nullptr) {
        return false;
    }
    event = head->records[headIndex++];
    if (head == tail && headIndex == tailIndex) {
        ReleaseStorage();
    } else if (headIndex == RECORDS_PER_BLOCK) {
        Block* used = head;
        head = head->next;
        headIndex = 0;
        delete used;
    }
    return true;
}

void EventQueue::DiscardAll()
{
    COEvent event;
    while (Pop(event)) {
        if (event.dataSize > 0) {
            std::free(event.data);
        }
    }
}

void EventQueue::ReleaseStorage()
{
    while (head != nullptr) {
        Block* next = head->next;
        delete head;
        head = next;
    }
    tail = nullptr;
    headIndex = 0;
    tailIndex = 0;
}
