#include "launcher/LauncherEntry.h"
#include "platform/ProgramEntry.h"

int ProgramMain(char* commandLine, int /*showMode*/)
{
    return LauncherMain(commandLine);
}
