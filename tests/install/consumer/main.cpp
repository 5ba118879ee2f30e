// A module of the product using Velmora's exports from an installed tree.
#include "afx/CArchive.h"
#include "foundation/AnimTime.h"
#include "foundation/OvString.h"

#include <cstdio>
#include <cstring>

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
    const bool ok = back == "velmora+7!" && animTimeGetTime() == 1234u;
    animSetTime(0);
    std::printf("consumer: %s (%s)\n", ok ? "ok" : "FAILED", static_cast<const char*>(back));
    return ok ? 0 : 1;
}
