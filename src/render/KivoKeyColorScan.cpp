// KivoKeyColorScan.cpp: whether an overlay copy has the key colour, in some
// pixels or in all.
#include "stdafx.h"
#include "KivoGdiplus.h"
#include "KivoKeyColorScan.h"

namespace
{
// Whether any pixel of the locked rows differs in kind (key colour or not)
// from bKey; one comparison per pixel, rows in the order GDI+ gives them.
bool FindOtherKind(const Gdiplus::BitmapData& data, DWORD dwKeyRgb, bool bKey)
{
    const BYTE* pRow = static_cast<const BYTE*>(data.Scan0);
    for (UINT y = 0; y < data.Height; ++y, pRow += data.Stride)
    {
        const DWORD* pPixel = reinterpret_cast<const DWORD*>(pRow);
        for (UINT x = 0; x < data.Width; ++x)
            if (((pPixel[x] & 0x00FFFFFF) == dwKeyRgb) != bKey)
                return true;
    }
    return false;
}
}

namespace Kivo
{
BOOL ScanMaskForKeyColor(Gdiplus::Bitmap* pMask, const COLORREF* pcrKeyColor, int* pbAllKeyColor)
{
    *pbAllKeyColor = TRUE;
    if (pMask == nullptr)
        return FALSE;

    const UINT nWidth = pMask->GetWidth();
    const UINT nHeight = pMask->GetHeight();
    const COLORREF crKey = *pcrKeyColor;
    // The key as 0xRRGGBB, the layout of a locked 32-bit ARGB pixel's low bytes.
    const DWORD dwKeyRgb =
        (static_cast<DWORD>(GetRValue(crKey)) << 16) | (static_cast<DWORD>(GetGValue(crKey)) << 8) | GetBValue(crKey);
    BOOL bHasKey = FALSE;

    // 32-bit RGB and ARGB pixels hold the colour in the same low bytes as the
    // converted ARGB would: they are read where they lie. Any other format is
    // converted to 32-bit ARGB.
    const Gdiplus::PixelFormat eFormat = pMask->GetPixelFormat();
    const Gdiplus::PixelFormat eLockFormat =
        eFormat == PixelFormat32bppRGB || eFormat == PixelFormat32bppARGB ? eFormat : PixelFormat32bppARGB;
    Gdiplus::BitmapData data;
    Gdiplus::Rect rect(0, 0, static_cast<INT>(nWidth), static_cast<INT>(nHeight));
    if (nWidth > 0 && nHeight > 0
        && pMask->LockBits(&rect, Gdiplus::ImageLockModeRead, eLockFormat, &data) == Gdiplus::Ok)
    {
        // The first pixel tells one kind; the scan looks for the other and
        // stops at the first it finds.
        const bool bFirstIsKey = (*static_cast<const DWORD*>(data.Scan0) & 0x00FFFFFF) == dwKeyRgb;
        const bool bOtherFound = FindOtherKind(data, dwKeyRgb, bFirstIsKey);
        pMask->UnlockBits(&data);
        bHasKey = bFirstIsKey || bOtherFound;
        *pbAllKeyColor = bFirstIsKey && !bOtherFound;
    }
    else
    {
        for (UINT y = 0; y < nHeight && !(bHasKey && !*pbAllKeyColor); ++y)
            for (UINT x = 0; x < nWidth; ++x)
            {
                if (bHasKey && !*pbAllKeyColor)
                    break;
                Gdiplus::Color pixel;
                if (pMask->GetPixel(static_cast<INT>(x), static_cast<INT>(y), &pixel) != Gdiplus::Ok)
                    continue;
                if ((pixel.GetValue() & 0x00FFFFFF) == dwKeyRgb)
                    bHasKey = TRUE;
                else
                    *pbAllKeyColor = FALSE;
            }
    }
    if (!bHasKey)
        *pbAllKeyColor = TRUE;
    return bHasKey;
}
}
