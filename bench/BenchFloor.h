// BenchFloor.h: the floor of the live picture's composition, written with the
// bare calls its algorithm prescribes and nothing else: copy the picture into
// a DIB buffer, make a GDI+ bitmap over it (GdipCreateBitmapFromGdiDib), draw
// it scaled into a memory DC, draw the overlay over it through the key colour,
// put the result into the window with one BitBlt. Everything that can live
// across frames (memory DC, bitmap, buffers, image attributes) is made once.
#pragma once

#include <afxwin.h>   // MFC before any Windows header
#include <gdiplus.h>

#include <vector>

#include "BenchWindow.h"

// The overlay copy the floor draws, made once the way the library copies the
// overlay device (a 32-bit bottom-up DIB read with GetDIBits).
class CBenchFloorMask
{
public:
    CBenchFloorMask() = default;
    ~CBenchFloorMask();
    CBenchFloorMask(const CBenchFloorMask&) = delete;
    CBenchFloorMask& operator=(const CBenchFloorMask&) = delete;

    bool Create(HDC hReferenceDC, int nWidth, int nHeight, EBenchOverlay eOverlay);
    Gdiplus::GpBitmap* Get() const { return m_pBitmap; }

private:
    std::vector<BYTE> m_info;
    std::vector<BYTE> m_bits;
    Gdiplus::GpBitmap* m_pBitmap = nullptr;
};

class CBenchFloorComposer
{
public:
    enum EStep
    {
        STEP_COPY,      // the picture into the DIB buffer
        STEP_BITMAP,    // GdipCreateBitmapFromGdiDib
        STEP_DRAW,      // the scaled DrawImage (with making the Graphics)
        STEP_OVERLAY,   // the colour-keyed DrawImage of the overlay
        STEP_BLIT,      // BitBlt into the window
        STEP_FREE,      // GdipDisposeImage
        STEP_COUNT
    };
    static const char* GetStepName(int nStep);

    CBenchFloorComposer() = default;
    ~CBenchFloorComposer();
    CBenchFloorComposer(const CBenchFloorComposer&) = delete;
    CBenchFloorComposer& operator=(const CBenchFloorComposer&) = delete;

    // pMask may be NULL (no overlay); it stays the caller's and must outlive the composer.
    bool Prepare(HDC hWindowDC, const CRect& rcArea, Gdiplus::GpBitmap* pMask, DWORD dwKeyArgb);
    // One picture into the window's area. pdStepMs (STEP_COUNT entries, or NULL)
    // gets the time of each step added.
    bool Compose(HDC hWindowDC, const void* pData, int nWidth, int nHeight, int nBytesPerPixel, double* pdStepMs);

private:
    HDC m_hMemDC = nullptr;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOldBitmap = nullptr;
    CRect m_rcArea;
    std::vector<BYTE> m_info;   // header and 256 palette entries
    std::vector<BYTE> m_bits;
    Gdiplus::GpImageAttributes* m_pAttributes = nullptr;
    Gdiplus::GpBitmap* m_pMask = nullptr;
};
