// KivoFrameCounter.cpp: one module's BitBlt import, counted.
//
// Both the Windows loader and Wine's load a PE module by writing the address
// of every imported function into the module's import address table, and a
// call to a function declared dllimport (as the platform headers declare
// BitBlt) reads its address from that table each time. Rewriting one entry of
// a loaded module therefore reroutes that module's calls, and no other
// module's, on both; the table may lie in a page the loader made read-only,
// so the entry is unprotected for the write.
#include "KivoFrameCounter.h"

#include <cstring>

namespace
{
using PFNBITBLT = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);

PFNBITBLT s_pfnBitBlt = nullptr;
HWND s_hWnd = nullptr;
DWORD s_dwInstallThreadId = 0;
CRITICAL_SECTION s_cs;
CKIVOFrameMark s_mark;

BOOL WINAPI CountingBitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD dwRop)
{
    const BOOL bResult = s_pfnBitBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, dwRop);
    if (bResult && GetCurrentThreadId() != s_dwInstallThreadId && WindowFromDC(hdc) == s_hWnd)
    {
        const double dNow = KivoFrameClockMs();
        EnterCriticalSection(&s_cs);
        ++s_mark.nFrames;
        s_mark.dLastMs = dNow;
        LeaveCriticalSection(&s_cs);
    }
    return bResult;
}

// The import address table entry of one function of one DLL in a module.
ULONG_PTR* FindImport(HMODULE hModule, const char* pszDll, const char* pszFunction)
{
    BYTE* pBase = reinterpret_cast<BYTE*>(hModule);
    const IMAGE_DOS_HEADER* pDos = reinterpret_cast<const IMAGE_DOS_HEADER*>(pBase);
    const IMAGE_NT_HEADERS* pNt = reinterpret_cast<const IMAGE_NT_HEADERS*>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0)
        return nullptr;
    for (const IMAGE_IMPORT_DESCRIPTOR* pImport =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(pBase + directory.VirtualAddress);
         pImport->Name != 0; ++pImport)
    {
        if (_stricmp(reinterpret_cast<const char*>(pBase + pImport->Name), pszDll) != 0)
            continue;
        IMAGE_THUNK_DATA* pAddress = reinterpret_cast<IMAGE_THUNK_DATA*>(pBase + pImport->FirstThunk);
        const IMAGE_THUNK_DATA* pName = reinterpret_cast<const IMAGE_THUNK_DATA*>(
            pBase + (pImport->OriginalFirstThunk != 0 ? pImport->OriginalFirstThunk : pImport->FirstThunk));
        for (; pName->u1.AddressOfData != 0; ++pName, ++pAddress)
        {
            if (IMAGE_SNAP_BY_ORDINAL(pName->u1.Ordinal))
                continue;
            const IMAGE_IMPORT_BY_NAME* pByName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(pBase + pName->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char*>(pByName->Name), pszFunction) == 0)
                return &pAddress->u1.Function;
        }
    }
    return nullptr;
}
}

double KivoFrameClockMs()
{
    static LARGE_INTEGER s_frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(s_frequency.QuadPart);
}

bool CKIVOFrameCounter::Install(HMODULE hModule, HWND hWnd)
{
    if (s_dwInstallThreadId != 0 || hModule == nullptr)
        return false;   // once per process
    InitializeCriticalSection(&s_cs);
    s_dwInstallThreadId = GetCurrentThreadId();
    ULONG_PTR* pEntry = FindImport(hModule, "gdi32.dll", "BitBlt");
    if (pEntry == nullptr)
        return false;
    s_hWnd = hWnd;
    s_pfnBitBlt = reinterpret_cast<PFNBITBLT>(*pEntry);
    DWORD dwOldProtect = 0;
    if (!VirtualProtect(pEntry, sizeof(*pEntry), PAGE_READWRITE, &dwOldProtect))
    {
        s_pfnBitBlt = nullptr;
        return false;
    }
    *pEntry = reinterpret_cast<ULONG_PTR>(&CountingBitBlt);
    VirtualProtect(pEntry, sizeof(*pEntry), dwOldProtect, &dwOldProtect);
    return true;
}

CKIVOFrameMark CKIVOFrameCounter::GetMark()
{
    if (s_pfnBitBlt == nullptr)
        return CKIVOFrameMark();
    EnterCriticalSection(&s_cs);
    CKIVOFrameMark mark = s_mark;
    LeaveCriticalSection(&s_cs);
    return mark;
}
