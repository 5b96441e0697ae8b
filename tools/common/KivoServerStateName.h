// KivoServerStateName.h: the camera's server state in words, as the programs
// of this tree print it.
#pragma once

#include <KivoClient.h>

// "closed", "opened", "initialised", "started", "stopped", "in error", or
// "unknown" for a value the camera interface does not name.
LPCWSTR GetServerStateName(tagEServerState eState);
