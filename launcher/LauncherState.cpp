#include "launcher/LauncherState.h"

LauncherState launcherState;
int32_t activeClients = 0;
