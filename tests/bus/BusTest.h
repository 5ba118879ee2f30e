#pragma once

#include "BusTestNames.h"
#include "bus/COProcDispatcher.h"
#include "events/CommonObjectEventManager.h"

#include <gtest/gtest.h>

#include <string>

// What every bus test shares: a running framework, a bus name unique to the
// run, and the check that the test leaves nothing of that name in the
// system's shared-memory folder. A fixture destroys what it attached in
// ReleaseBus, which runs before the check.
class BusTest : public ::testing::Test {
protected:
    explicit BusTest(const std::string& stem) : name(UniqueBusName(stem)) {}

    void TearDown() override
    {
        ReleaseBus();
        EXPECT_TRUE(LeftoverSharedObjects(name).empty());
        RemoveLeftoverSharedObjects(name);
    }

    virtual void ReleaseBus() {}

    static void Pump() { CommonObjectEventManager::staticDispatchEvents(0); }

    // Hands an event to a dispatcher, as any sender of this process would:
    // a value, or data bytes the bus copies.
    static void PutVia(const COProcDispatcher& dispatcher, unsigned int code, long value = 0)
    {
        CommonObjectEventManager::staticSendEvent(0, dispatcher.GetID(), code, reinterpret_cast<void*>(value), 0, 0);
    }

    static void PutDataVia(const COProcDispatcher& dispatcher, unsigned int code, const void* bytes, size_t size)
    {
        CommonObjectEventManager::staticSendEvent(0, dispatcher.GetID(), code, const_cast<void*>(bytes),
                                                  static_cast<int>(size), 0);
    }

    CommonObjectEventManager manager;
    std::string name;
};
