#include "com/Com.h"
#include "discserver/DiscServer.h"
#include "platform/Console.h"

#include <clocale>

// Tessaly: the console disc-writing server. Its arguments and environment are
// not used, and it ends with exit code 0 on every path.
int main()
{
    std::setlocale(LC_ALL, "");
    CoInitialize(nullptr);
    OleInitialize(nullptr);
    platform::KeepRunningWhenOutputCloses();
    DiscServer server(platform::StandardInputHandle(), platform::StandardOutputHandle());
    return server.Run();
}
