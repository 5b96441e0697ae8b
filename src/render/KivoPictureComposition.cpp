// KivoPictureComposition.cpp: a live picture drawn scaled with the overlay
// copy over it, the key colour transparent.
#include "stdafx.h"
#include "KivoPictureComposition.h"
#include "KivoFrameSet.h"
#include "KivoGdiplus.h"
#include "KivoUnscaledComposition.h"

namespace Kivo
{
BOOL DrawPictureThroughGdiplus(CDC* pDC, Gdiplus::Bitmap* pPicture, Gdiplus::Bitmap* pMask, int x, int y, int nWidth,
                               int nHeight, DWORD dwKeyColor, BOOL bMaskHasKeyColor, BOOL bMaskAllKeyColor)
{
    if (pDC == nullptr || pPicture == nullptr || nWidth < 1 || nHeight < 1)
        return FALSE;

    Gdiplus::Graphics graphics(pDC->GetSafeHdc());
    if (graphics.GetLastStatus() != Gdiplus::Ok)
        return FALSE;
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeDefault);
    const Gdiplus::Rect area(x, y, nWidth, nHeight);
    if (graphics.DrawImage(pPicture, area) != Gdiplus::Ok)
        return FALSE;

    // An overlay of the key colour alone hides nothing, one without it would
    // hide the picture: only a mixed overlay is drawn, one pixel per pixel.
    if (pMask != nullptr && bMaskHasKeyColor && !bMaskAllKeyColor)
    {
        Gdiplus::ImageAttributes attributes;
        const Gdiplus::Color key(dwKeyColor);
        attributes.SetColorKey(key, key, Gdiplus::ColorAdjustTypeDefault);
        graphics.DrawImage(pMask, area, 0, 0, nWidth, nHeight, Gdiplus::UnitPixel, &attributes);
    }
    return TRUE;
}

BOOL ComposePicture(CDC* pDC, const CKIVOFrame& picture, const CKIVOFrame* pMask, int x, int y, int nWidth, int nHeight,
                    DWORD dwKeyColor, BOOL bMaskHasKeyColor, BOOL bMaskAllKeyColor)
{
    if (pDC == nullptr || picture.IsNull())
        return FALSE;
    // Only a mixed overlay is drawn, as in DrawPictureThroughGdiplus.
    if (pMask != nullptr && (pMask->IsNull() || !bMaskHasKeyColor || bMaskAllKeyColor))
        pMask = nullptr;
    if (ComposeUnscaledPicture(
            pDC->GetSafeHdc(), picture.GetInfo(), picture.GetBits(), pMask != nullptr ? pMask->GetInfo() : nullptr,
            pMask != nullptr ? pMask->GetBits() : nullptr, x, y, nWidth, nHeight, ArgbToColorRef(dwKeyColor)))
        return TRUE;
    return DrawPictureThroughGdiplus(pDC, picture.GetBitmap(), pMask != nullptr ? pMask->GetBitmap() : nullptr, x, y,
                                     nWidth, nHeight, dwKeyColor, bMaskHasKeyColor, bMaskAllKeyColor);
}
}
