// KivoMessagePump.h: the message loop of a program's window thread while it
// waits for the live picture.
#pragma once

#include <afxwin.h>   // MFC before any Windows header

#include <functional>

// Dispatches this thread's messages until fnDone answers true or dTimeoutMs
// (on KivoFrameClockMs) have passed; answers fnDone's last answer. fnDone is
// asked after every round of messages and at least every dwPollMs, for
// conditions that other threads change without a message.
bool PumpKivoMessagesUntil(const std::function<bool()>& fnDone, double dTimeoutMs, DWORD dwPollMs);
