// A module of the product using Velmora's exports from an installed tree.
#include "afx/CArchive.h"
#include "bus/COProcDispatcher.h"
#include "events/CommonObjectEventManager.h"
#include "foundation/AnimTime.h"
#include "foundation/OvString.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {
// A dispatcher of a name unique to this run joins its own bus; destroying it
// takes the bus's shared objects with it.
bool BusAttaches()
{
    CommonObjectEventManager manager;
    const std::string name = "velmora-consumer-" + std::to_string(getpid());
    COProcDispatcher dispatcher(name.c_str());
    return dispatcher.IsAttached() && dispatcher.IsRegistered();
}
} // namespace

int main()
{
    OvString text;
    text.Format("%s-%d", "velmora", 7);
    text += OvString("!");
    text.Replace("-", "+");

    CArchive storer;
    storer << text;
    CArchive loader(storer.GetStoredData(), storer.GetStoredSize());
    OvString back;
    loader >> back;

    animSetTime(1234);
    const bool ok = back == "velmora+7!" && animTimeGetTime() == 1234u && BusAttaches();
    animSetTime(0);
    std::printf("consumer: %s (%s)\n", ok ? "ok" : "FAILED", static_cast<const char*>(back));
    return ok ? 0 : 1;
}
