#include "SetupBus.h"

#include "platform/Clock.h"
#include "platform/Window.h"

namespace {

constexpr unsigned int kPing = 0xE003;
constexpr unsigned int kPingAnswer = 0xE004;
constexpr uint32_t kPassMilliseconds = 20;

} // namespace

SetupBus::SetupBus(const std::string& name) : name_(name)
{
    // The manager frees the dispatcher with the framework's statics at the end.
    dispatcher_ = new COProcDispatcher(name_.c_str());
    Request(name_.c_str());
}

SetupBus::~SetupBus()
{
    Unrequest(name_.c_str());
}

bool SetupBus::IsAttached() const
{
    return dispatcher_ != nullptr && dispatcher_->IsAttached();
}

void SetupBus::Send(unsigned int code, const std::vector<uint8_t>& data)
{
    std::vector<uint8_t> copy = data;
    CommonObjectEventManager::staticSendEvent(GetID(), dispatcher_->GetID(), code, copy.empty() ? nullptr : copy.data(),
                                              static_cast<int>(copy.size()), 0);
}

void SetupBus::Serve(long milliseconds)
{
    const uint32_t start = platform::MillisecondClock();
    do {
        platform::PumpWindowMessages();
        CommonObjectEventManager::staticDispatchEvents(0);
        platform::WaitForWindowMessages(kPassMilliseconds);
    } while (static_cast<long>(platform::MillisecondClock() - start) < milliseconds);
}

bool SetupBus::Ping(long timeoutMilliseconds)
{
    const int before = answers_;
    Send(kPing, {});
    const uint32_t start = platform::MillisecondClock();
    while (answers_ == before && static_cast<long>(platform::MillisecondClock() - start) < timeoutMilliseconds)
        Serve(kPassMilliseconds);
    return answers_ > before;
}

void SetupBus::Drain()
{
    for (int waited = 0; waited < 5000 && dispatcher_->HasUndeliveredData(); waited += kPassMilliseconds)
        Serve(kPassMilliseconds);
}

bool SetupBus::HandleEvent(COEvent* event)
{
    // This process's own requests come back through the bus too; only answers count.
    if (event->eventCode == kPingAnswer) {
        ++answers_;
        return true;
    }
    return CommonObjectBase::HandleEvent(event);
}
