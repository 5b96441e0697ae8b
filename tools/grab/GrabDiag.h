// GrabDiag.h: kivo-grab diag, the figures that decide an acquisition
// program's speed on this machine: activation, a small call's round trip, a
// large picture's transfer, and the live frame rate the library reaches with
// the CPU time each shown picture costs the client and the server.
#pragma once

#include <KivoClient.h>
#include "GrabCommandLine.h"

// Times the process's first Connect with a client of its own, before the
// session's, and prints "Activation time: ...". Throws CKIVOClientException*
// or CGrabFailure.
void MeasureGrabActivation();

// The other figures, on the session's opened, ordered camera; each line is
// printed as soon as it is measured. Every live setting changed is written
// back on every way out. Throws CKIVOClientException* or CGrabFailure.
void RunGrabDiag(CKIVOClient& client, const CGrabCommandLine& commandLine);
