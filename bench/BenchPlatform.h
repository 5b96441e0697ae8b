// BenchPlatform.h: the clock, the process's resource counters and the
// message pump of the benchmark's window thread.
#pragma once

#include <afxwin.h>   // MFC before any Windows header

#include <functional>

// Milliseconds of the performance counter.
double BenchNowMs();

// The process's resources at one moment.
struct CBenchResources
{
    // GetProcessHandleCount; where that answers 0 (Wine 8 does), this
    // process's entries of the system handle list (NtQuerySystemInformation).
    DWORD nHandles = 0;
    bool bHandlesFromSystemList = false;
    // PrivateUsage; where that is 0 (Wine 8), PagefileUsage, which Windows
    // defines as the same commit charge.
    SIZE_T nPrivateBytes = 0;
    bool bPrivateFromPagefile = false;
    DWORD nGdiObjects = 0;   // GetGuiResources; 0 under Wine 8, which does not count them
    DWORD nUserObjects = 0;
};
CBenchResources SampleResources();

// Pumps this thread's messages for dMs milliseconds.
void PumpMessagesFor(double dMs);
// Pumps until the condition holds or dTimeoutMs has passed; returns the condition.
bool PumpMessagesUntil(const std::function<bool()>& fnCondition, double dTimeoutMs);
