// BenchPlatform.cpp: clocks, CPU times, resource counters, the message pump.
#include "BenchPlatform.h"
#include "KivoFrameCounter.h"

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
    typedef LONG(NTAPI * PFNQUERY)(ULONG, PVOID, ULONG, PULONG);
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
    const CSystemHandleEntry* pEntries =
        reinterpret_cast<const CSystemHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
    const ULONG nMine = GetCurrentProcessId();
    DWORD nHandles = 0;
    for (ULONG i = 0; i < nCount; ++i)
        nHandles += pEntries[i].nOwnerProcessId == nMine ? 1 : 0;
    return nHandles;
}

double FileTimeMs(const FILETIME& ft)
{
    ULARGE_INTEGER value;
    value.LowPart = ft.dwLowDateTime;
    value.HighPart = ft.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0;
}

void DispatchPending()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
}

// The frame counter's clock, so that its stamps and the benchmark's compare.
double BenchNowMs()
{
    return KivoFrameClockMs();
}

double ProcessCpuMs()
{
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    if (!GetProcessTimes(GetCurrentProcess(), &ftCreate, &ftExit, &ftKernel, &ftUser))
        return -1.0;
    return FileTimeMs(ftKernel) + FileTimeMs(ftUser);
}

double ThreadCpuMs(HANDLE hThread)
{
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    if (hThread == nullptr || !GetThreadTimes(hThread, &ftCreate, &ftExit, &ftKernel, &ftUser))
        return -1.0;
    return FileTimeMs(ftKernel) + FileTimeMs(ftUser);
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

void PumpMessagesFor(double dMs)
{
    PumpMessagesUntil([] { return false; }, dMs);
}

bool PumpMessagesUntil(const std::function<bool()>& fnCondition, double dTimeoutMs)
{
    const double dEnd = BenchNowMs() + dTimeoutMs;
    for (;;)
    {
        DispatchPending();
        if (fnCondition())
            return true;
        const double dLeft = dEnd - BenchNowMs();
        if (dLeft <= 0.0)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, dLeft < 2.0 ? 1 : 2, QS_ALLINPUT);
    }
}
