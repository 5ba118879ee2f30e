#include "platform/ProgramEntry.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int showMode)
{
    return ProgramMain(commandLine, showMode);
}
