// KivoFrameSet.h: the pieces of a frame set (GDI+ bitmaps with their header
// and pixel buffers), and the set that the live picture thread holds in hand.
#pragma once

#include <windows.h>

namespace Gdiplus
{
class Bitmap;
}

void DisposeFramePiece(Gdiplus::Bitmap* pBitmap);
void DisposeFramePiece(BITMAPINFO* pInfo);
void DisposeFramePiece(void* pBits);

// The frame set in the hands of one run of the live picture thread; it owns
// its pieces until they are stored.
struct CKIVOFrameSet
{
    Gdiplus::Bitmap* pPicture = NULL;
    BITMAPINFO* pPictureInfo = NULL;
    void* pPictureBits = NULL;
    Gdiplus::Bitmap* pMask = NULL;
    BITMAPINFO* pMaskInfo = NULL;
    void* pMaskBits = NULL;
    DWORD dwKeyColor = 0xFF000000;   // opaque ARGB
    int bMaskHasKeyColor = 0;
    int bMaskAllKeyColor = 1;

    void ReplacePicture(Gdiplus::Bitmap* pNew, BITMAPINFO* pNewInfo, void* pNewBits)
    {
        FreePicture();
        pPicture = pNew;
        pPictureInfo = pNewInfo;
        pPictureBits = pNewBits;
    }
    void ReplaceMask(Gdiplus::Bitmap* pNew, BITMAPINFO* pNewInfo, void* pNewBits)
    {
        FreeMask();
        pMask = pNew;
        pMaskInfo = pNewInfo;
        pMaskBits = pNewBits;
    }
    void FreePicture()
    {
        DisposeFramePiece(pPicture);
        DisposeFramePiece(pPictureInfo);
        DisposeFramePiece(pPictureBits);
        pPicture = NULL;
        pPictureInfo = NULL;
        pPictureBits = NULL;
    }
    void FreeMask()
    {
        DisposeFramePiece(pMask);
        DisposeFramePiece(pMaskInfo);
        DisposeFramePiece(pMaskBits);
        pMask = NULL;
        pMaskInfo = NULL;
        pMaskBits = NULL;
    }
};

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
