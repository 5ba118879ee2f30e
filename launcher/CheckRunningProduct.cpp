#include "launcher/CheckRunningProduct.h"

#include "foundation/OvString.h"
#include "platform/ProcessList.h"

OvString ProductProcessNames()
{
    OvString names("ZAZOVARI.BIN ZAZOVARI.EXE RAZURUZE.BIN RAZURUZE.EXE");
    names += "RADERAV.BIN";
    names.MakeUpper();
    return names;
}

int CheckRunningProduct()
{
    const OvString names = ProductProcessNames();
    OvString found;
    platform::VisitProcessFileNames([&](const char* fileName) {
        OvString name(fileName);
        name.MakeUpper();
        const int lastBackslash = name.ReverseFind('\\');
        if (lastBackslash >= 0)
            name = name.Mid(lastBackslash + 1);
        // An empty name is a piece of every text; it says nothing about the product.
        if (name.IsEmpty() || names.Find(name) < 0)
            return false;
        found = name;
        return true;
    });
    return found.IsEmpty() ? 0 : 1;
}
