// KivoCpuTime.h: CPU times of processes and threads in milliseconds, as the
// programs that measure the library read them.
#pragma once

#include <afxwin.h>   // MFC before any Windows header

// A FILETIME span (100 ns units) in milliseconds.
double KivoFileTimeMs(const FILETIME& ft);

// User plus kernel time; negative when the platform gives none.
double GetKivoProcessCpuMs(HANDLE hProcess);
double GetKivoThreadCpuMs(HANDLE hThread);
