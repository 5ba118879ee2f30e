#include "events/CODispatcher.h"

#include "events/CommonObjectEventManager.h"

#include <algorithm>
#include <cstring>

namespace {
char* CopyName(const char* name)
{
    const char* text = name != nullptr ? name : "";
    const size_t length = std::strlen(text);
    char* copy = new char[length + 1];
    std::memcpy(copy, text, length + 1);
    return copy;
}

// Receiver lists are short; delivery copies them onto the stack when they fit.
constexpr size_t STACK_RECEIVERS = 32;
} // namespace

CODispatcher::CODispatcher() : CODispatcher(nullptr) {}

CODispatcher::CODispatcher(const char* dispatcherName) : name(CopyName(dispatcherName))
{
    if (name[0] != '\0') {
        CommonObjectEventManager::staticRegisterDispatcher(name, id);
    }
}

CODispatcher::~CODispatcher()
{
    if (name[0] != '\0') {
        CommonObjectEventManager::staticUnregisterDispatcher(name);
    }
    delete[] name;
    name = nullptr;
}

bool CODispatcher::IsObjectType(int type)
{
    return type == OBJECT_TYPE_DISPATCHER;
}

bool CODispatcher::HandleEvent(COEvent* event)
{
    const bool toAll = (event->route & ROUTE_ALL_RECEIVERS) != 0;
    const bool sameManager = (event->route & ROUTE_SAME_MANAGER) != 0;
    CommonObjectEventManager* senderManager = nullptr;
    if (sameManager) {
        CommonObjectBase* sender = CommonObjectEventManager::FindObjectByID(event->senderID);
        if (sender == nullptr || sender->manager == nullptr) {
            return false;
        }
        senderManager = sender->manager;
    }
    bool result = false;
    if (receivers.empty()) {
        return result;
    }

    // Handlers may change the list (or destroy this dispatcher): walk a copy.
    int32_t onStack[STACK_RECEIVERS];
    std::vector<int32_t> onHeap;
    const int32_t* walk = onStack;
    const size_t count = receivers.size();
    if (count <= STACK_RECEIVERS) {
        std::copy(receivers.begin(), receivers.end(), onStack);
    } else {
        onHeap = receivers;
        walk = onHeap.data();
    }

    for (size_t i = 0; i < count; ++i) {
        CommonObjectBase* receiver = CommonObjectEventManager::FindObjectByID(walk[i]);
        if (receiver == nullptr) {
            continue;
        }
        event->targetID = walk[i];
        if (!sameManager || receiver->manager == senderManager) {
            result = receiver->HandleEventWithHooks(event);
        }
        if (!toAll && result) {
            break;
        }
    }
    return result;
}

CommonObjectBase* CODispatcher::GetNext(int* position)
{
    size_t index = *position > 0 ? static_cast<size_t>(*position) : 0;
    while (index < receivers.size()) {
        CommonObjectBase* receiver = CommonObjectEventManager::FindObjectByID(receivers[index]);
        if (receiver != nullptr) {
            *position = static_cast<int>(index + 1);
            return receiver;
        }
        receivers[index] = receivers.back();
        receivers.pop_back();
    }
    *position = 0;
    return nullptr;
}

long CODispatcher::GetNthID(int index)
{
    // Outside the list there is no receiver; answer "no object" rather than
    // read past the end.
    if (index < 0 || static_cast<size_t>(index) >= receivers.size()) {
        return 0;
    }
    return receivers[static_cast<size_t>(index)];
}

int CODispatcher::GetCount()
{
    return static_cast<int>(receivers.size());
}

long CODispatcher::AddReceiver(long receiverID)
{
    if (receivers.size() == receivers.capacity()) {
        receivers.reserve(receivers.size() + RECEIVER_GROWTH);
    }
    receivers.push_back(static_cast<int32_t>(receiverID));
    return receiverID;
}

bool CODispatcher::RemoveReceiver(long receiverID)
{
    bool found = false;
    for (int32_t& entry : receivers) {
        if (entry == receiverID) {
            entry = 0;
            found = true;
        }
    }
    return found;
}

bool CODispatcher::ExistsReceiver(long receiverID)
{
    return std::find(receivers.begin(), receivers.end(), static_cast<int32_t>(receiverID)) != receivers.end();
}

void CODispatcher::RemoveAll()
{
    receivers.clear();
    receivers.shrink_to_fit();
}
