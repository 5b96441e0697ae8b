// GrabCommands.h: the commands of kivo-grab on an opened, ordered camera.
#pragma once

#include <KivoClient.h>
#include "GrabCommandLine.h"

// Runs the command of the command line. Throws CKIVOClientException* (or
// another CException*) for camera failures and CGrabFailure for the tool's own.
void RunGrabCommand(CKIVOClient& client, const CGrabCommandLine& commandLine);
