#pragma once

#include "bus/COProcDispatcher.h"
#include "events/CommonObjectBase.h"
#include "events/CommonObjectEventManager.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The runtime's side of the executer's bus: a cross-process dispatcher of the
// executer's name and, as its receiver, this object, which counts the
// executer's ping answers. Lives inside a CommonObjectEventManager's lifetime;
// single-threaded: every call runs the framework.
class SetupBus : public CommonObjectBase {
public:
    explicit SetupBus(const std::string& name);
    ~SetupBus() override;

    bool IsAttached() const;
    // Hands an event with a copy of `data` to every process on the bus.
    void Send(unsigned int code, const std::vector<uint8_t>& data);
    // Serves the bus (and this thread's windows) for the given time.
    void Serve(long milliseconds);
    // Sends a ping and serves the bus until its answer arrives; false at the timeout.
    bool Ping(long timeoutMilliseconds);
    // Serves the bus until every queue has taken this process's data (5 s at most).
    void Drain();

    bool HandleEvent(COEvent* event) override;

private:
    std::string name_;
    COProcDispatcher* dispatcher_ = nullptr;
    int answers_ = 0;
};
