// BenchFrameCounter.cpp: the BitBlt import of this program, counted.
#include "BenchFrameCounter.h"
#include "BenchPlatform.h"

#include <cstring>

namespace
{
typedef BOOL(WINAPI* PFNBITBLT)(HDC, int, int, int, int, HDC, int, int, DWORD);

PFNBITBLT s_pfnBitBlt = nullptr;
HWND s_hWnd = nullptr;
DWORD s_dwMainThreadId = 0;
CRITICAL_SECTION s_cs;
CBenchFrameMark s_mark;

BOOL WINAPI CountingBitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD dwRop)
{
    const BOOL bResult = s_pfnBitBlt(hdc, x, y, cx, cy, hdcSrc, x1, y1, dwRop);
    if (bResult && GetCurrentThreadId() != s_dwMainThreadId && WindowFromDC(hdc) == s_hWnd)
    {
        const double dNow = BenchNowMs();
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

bool CBenchFrameCounter::Install(HWND hWnd)
{
    if (s_dwMainThreadId != 0)
        return false;   // once per program
    InitializeCriticalSection(&s_cs);
    s_dwMainThreadId = GetCurrentThreadId();
    ULONG_PTR* pEntry = FindImport(GetModuleHandleW(nullptr), "gdi32.dll", "BitBlt");
    if (pEntry == nullptr)
        return false;
    s_hWnd = hWnd;
    s_pfnBitBlt = reinterpret_cast<PFNBITBLT>(*pEntry);
    DWORD dwOldProtect = 0;
    if (!VirtualProtect(pEntry, sizeof(*pEntry), PAGE_READWRITE, &dwOldProtect))
        return false;
    *pEntry = reinterpret_cast<ULONG_PTR>(&CountingBitBlt);
    VirtualProtect(pEntry, sizeof(*pEntry), dwOldProtect, &dwOldProtect);
    return true;
}

CBenchFrameMark CBenchFrameCounter::GetMark()
{
    if (s_pfnBitBlt == nullptr)
        return CBenchFrameMark();
    EnterCriticalSection(&s_cs);
    CBenchFrameMark mark = s_mark;
    LeaveCriticalSection(&s_cs);
    return mark;
}
