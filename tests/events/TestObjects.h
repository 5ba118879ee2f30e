#pragma once

#include "events/CODispatcher.h"
#include "events/COHook.h"
#include "events/CommonObjectBase.h"
#include "events/CommonObjectEventManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

// An object that records what reaches its handler and answers as told.
class RecordingObject : public CommonObjectBase {
public:
    explicit RecordingObject(bool accept = true) : accept(accept) {}

    std::vector<COEvent> received;
    std::vector<unsigned long> idleTimes;
    bool accept;
    // Runs inside HandleEvent, after the event is recorded.
    std::function<void(COEvent*)> onEvent;

    void SetManager(CommonObjectEventManager* owner) { manager = owner; }
    void SetParent(CommonObjectBase* collection) { parent = reinterpret_cast<ICommonObjectCollection*>(collection); }
    void AttachHook(COHook* first) { hook = first; }

    using CommonObjectBase::Notify;
    using CommonObjectBase::OnKilled;

protected:
    bool HandleEvent(COEvent* event) override
    {
        if (event->eventCode == EVENT_IDLE) {
            return CommonObjectBase::HandleEvent(event);
        }
        received.push_back(*event);
        const bool result = accept; // onEvent may delete this object
        if (onEvent) {
            onEvent(event);
        }
        return result;
    }

    bool OnIdle(unsigned long time) override
    {
        idleTimes.push_back(time);
        return false;
    }
};

// Every test starts from, and leaves behind, a framework without objects,
// managers, queued events or names. The reset runs after the members of a
// derived fixture are gone, as FreeStatics deletes whatever is registered.
class EventFramework : public ::testing::Test {
protected:
    ~EventFramework() override { CommonObjectEventManager::FreeStatics(); }
};
