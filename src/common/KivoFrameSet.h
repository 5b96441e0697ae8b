// KivoFrameSet.h: the frame set: a picture and an overlay copy, each a frame
// that owns its bitmap and buffers, with the overlay's key colour and flags.
// The frame store and the live picture thread each hold one; frames pass
// between them by move.
#pragma once

#include <windows.h>

#include <KivoFrame.h>

struct CKIVOFrameSet
{
    CKIVOFrame picture;
    CKIVOFrame mask;
    DWORD dwKeyColor = 0xFF000000;   // opaque ARGB: mask pixels of this colour are transparent
    int bMaskHasKeyColor = 0;
    int bMaskAllKeyColor = 1;
    HWND hMaskWindow = nullptr;   // the live window whose overlay the mask copies
};

namespace Kivo
{
// COLORREF 0x00BBGGRR and the opaque ARGB 0xFFRRGGBB of the same colour.
inline DWORD ColorRefToArgb(COLORREF cr)
{
    return 0xFF000000 | (static_cast<DWORD>(GetRValue(cr)) << 16) | (static_cast<DWORD>(GetGValue(cr)) << 8)
           | GetBValue(cr);
}

inline COLORREF ArgbToColorRef(DWORD dwArgb)
{
    return RGB((dwArgb >> 16) & 0xFF, (dwArgb >> 8) & 0xFF, dwArgb & 0xFF);
}
}
