// BenchPlatform.cpp: the clock, resource counters, the message pump.
#include "BenchPlatform.h"
#include "KivoFrameCounter.h"
#include "KivoMessagePump.h"

#include <psapi.h>

#include <vector>

namespace
{
// One entry of the system handle list (SystemHandleInformation).
struct CSystemHandleEntry
{
    ULONG nOwnerProcessId;
    BYTE nObjectType;
    BYTE nFlags;
    USHORT nHandle;
    PVOID pObject;
    ULONG nAccess;
};

// This process's handles in the system handle list; 0 when the list is not to be had.
DWORD CountHandlesInSystemList()
{
    using PFNQUERY = LONG(NTAPI*)(ULONG, PVOID, ULONG, PULONG);
    PFNQUERY pfnQuery = reinterpret_cast<PFNQUERY>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (pfnQuery == nullptr)
        return 0;
    const ULONG SYSTEM_HANDLE_INFORMATION = 16;
    const LONG STATUS_INFO_LENGTH_MISMATCH = static_cast<LONG>(0xC0000004);
    std::vector<BYTE> buffer(1 << 20);
    LONG nStatus;
    for (;;)
    {
        ULONG nNeeded = 0;
        nStatus = pfnQuery(SYSTEM_HANDLE_INFORMATION, buffer.data(), static_cast<ULONG>(buffer.size()), &nNeeded);
        if (nStatus != STATUS_INFO_LENGTH_MISMATCH || buffer.size() >= (64u << 20))
            break;
        buffer.resize(buffer.size() * 2);
    }
    if (nStatus != 0)
        return 0;
    const ULONG nCount = *reinterpret_cast<const ULONG*>(buffer.data());
    const CSystemHandleEntry* pEntries = reinterpret_cast<const CSystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    const ULONG nMine = GetCurrentProcessId();
    DWORD nHandles = 0;
    for (ULONG i = 0; i < nCount; ++i)
        nHandles += pEntries[i].nOwnerProcessId == nMine ? 1 : 0;
    return nHandles;
}
}

// The frame counter's clock, so that its stamps and the benchmark's compare.
double BenchNowMs()
{
    return KivoFrameClockMs();
}

CBenchResources SampleResources()
{
    CBenchResources resources;
    if (!GetProcessHandleCount(GetCurrentProcess(), &resources.nHandles) || resources.nHandles == 0)
    {
        resources.nHandles = CountHandlesInSystemList();
        resources.bHandlesFromSystemList = true;
    }
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof(counters)))
    {
        resources.nPrivateBytes = counters.PrivateUsage;
        if (resources.nPrivateBytes == 0)
        {
            resources.nPrivateBytes = counters.PagefileUsage;
            resources.bPrivateFromPagefile = true;
        }
    }
    resources.nGdiObjects = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    resources.nUserObjects = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    return resources;
}

// The benchmark looks at its conditions every 2 ms: frame marks change on
// other threads without a message.
void PumpMessagesFor(double dMs)
{
    PumpKivoMessagesUntil([] { return false; }, dMs, 2);
}

bool PumpMessagesUntil(const std::function<bool()>& fnCondition, double dTimeoutMs)
{
    return PumpKivoMessagesUntil(fnCondition, dTimeoutMs, 2);
}
