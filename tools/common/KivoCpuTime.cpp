// KivoCpuTime.cpp: CPU times of processes and threads in milliseconds.
#include "KivoCpuTime.h"

double KivoFileTimeMs(const FILETIME& ft)
{
    ULARGE_INTEGER value;
    value.LowPart = ft.dwLowDateTime;
    value.HighPart = ft.dwHighDateTime;
    return static_cast<double>(value.QuadPart) / 10000.0;
}

double GetKivoProcessCpuMs(HANDLE hProcess)
{
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    if (hProcess == nullptr || !GetProcessTimes(hProcess, &ftCreate, &ftExit, &ftKernel, &ftUser))
        return -1.0;
    return KivoFileTimeMs(ftKernel) + KivoFileTimeMs(ftUser);
}

double GetKivoThreadCpuMs(HANDLE hThread)
{
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    if (hThread == nullptr || !GetThreadTimes(hThread, &ftCreate, &ftExit, &ftKernel, &ftUser))
        return -1.0;
    return KivoFileTimeMs(ftKernel) + KivoFileTimeMs(ftUser);
}
