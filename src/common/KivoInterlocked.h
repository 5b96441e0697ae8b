// KivoInterlocked.h: plain fields that one thread writes while another reads
// them (the live window, the live display switch and the picture area of the
// worker), each read and written whole, with an interlocked operation and the
// full barrier that comes with it.
#pragma once

#include <windows.h>

static_assert(sizeof(int) == sizeof(LONG), "an int field is read as a LONG");

namespace Kivo
{
inline int ReadInterlocked(const int& nField)
{
    return InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(const_cast<int*>(&nField)), 0, 0);
}

inline void WriteInterlocked(int& nField, int nValue)
{
    InterlockedExchange(reinterpret_cast<volatile LONG*>(&nField), nValue);
}

inline LONG ReadInterlocked(const LONG& nField)
{
    return InterlockedCompareExchange(const_cast<volatile LONG*>(&nField), 0, 0);
}

inline void WriteInterlocked(LONG& nField, LONG nValue)
{
    InterlockedExchange(&nField, nValue);
}

inline HWND ReadInterlocked(const HWND& hField)
{
    return static_cast<HWND>(InterlockedCompareExchangePointer(
        reinterpret_cast<PVOID volatile*>(const_cast<HWND*>(&hField)), nullptr, nullptr));
}

inline void WriteInterlocked(HWND& hField, HWND hValue)
{
    InterlockedExchangePointer(reinterpret_cast<PVOID volatile*>(&hField), hValue);
}

inline RECT ReadInterlocked(const RECT& rcField)
{
    RECT rc = { ReadInterlocked(rcField.left), ReadInterlocked(rcField.top), ReadInterlocked(rcField.right),
                ReadInterlocked(rcField.bottom) };
    return rc;
}

inline void WriteInterlocked(RECT& rcField, const RECT& rcValue)
{
    WriteInterlocked(rcField.left, rcValue.left);
    WriteInterlocked(rcField.top, rcValue.top);
    WriteInterlocked(rcField.right, rcValue.right);
    WriteInterlocked(rcField.bottom, rcValue.bottom);
}
}
