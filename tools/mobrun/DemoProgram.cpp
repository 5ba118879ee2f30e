// A program of the demo medium that the setup runtime asks the launcher to
// start: it says where it was started and with which arguments, and ends.
#include "DemoTrace.h"
#include "platform/CurrentFolder.h"
#include "platform/ProgramEntry.h"

int ProgramMain(char* commandLine, int)
{
    DemoTrace("program", "QuillmarkDemo started in %s with: %s", platform::CurrentFolder().c_str(), commandLine);
    return 0;
}
