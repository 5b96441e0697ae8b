// Synthetic pictures of the simulator, delivered as one-dimensional VT_UI1
// SAFEARRAYs (lower bound 0, rows top-down, no padding). Every function is
// cheap: it builds one row and copies it, so large live frames cost a memcpy
// per row. Sizes are checked by the property store (1..4096).
#pragma once

#include <windows.h>
#include <oleauto.h>

class CSimPictureGenerator
{
public:
    // 8-bit grey diagonal ramp: pixel (x, y) = (x + y + 29 * nPicture) mod 256.
    static HRESULT CreateGreyPicture(LONG nWidth, LONG nHeight, LONG nPicture, SAFEARRAY** ppsa);

    // Eight vertical colour bars (white, yellow, cyan, green, magenta, red,
    // blue, black), 3 bytes B, G, R per pixel.
    static HRESULT CreateRGBPicture(LONG nWidth, LONG nHeight, SAFEARRAY** ppsa);

    // Live test pattern for frame nFrame: a grey ramp (8-bit) or the colour
    // bars (32-bit B, G, R, 0xFF) scrolling left by 4 pixels per frame, with a
    // white square moving diagonally across.
    static HRESULT CreateLiveGrey(LONG nWidth, LONG nHeight, ULONGLONG nFrame, SAFEARRAY** ppsa);
    static HRESULT CreateLiveColour(LONG nWidth, LONG nHeight, ULONGLONG nFrame, SAFEARRAY** ppsa);

    // The bar colours as 0x00RRGGBB, left to right.
    static const DWORD m_aBarColours[8];
};
