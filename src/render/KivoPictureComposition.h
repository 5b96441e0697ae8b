// KivoPictureComposition.h: a live picture drawn into a picture area of a DC,
// with the overlay copy over it and the key colour transparent.
#pragma once

#include <afxwin.h>

#include <KivoFrame.h>

namespace Gdiplus
{
class Bitmap;
}

namespace Kivo
{
// The picture scaled into the area (x, y, nWidth, nHeight) of pDC through GDI+
// and, when the overlay is mixed (bMaskHasKeyColor and not bMaskAllKeyColor),
// the overlay one pixel per pixel over it, its pixels of dwKeyColor (ARGB)
// transparent. FALSE when nothing could be drawn.
BOOL DrawPictureThroughGdiplus(CDC* pDC, Gdiplus::Bitmap* pPicture, Gdiplus::Bitmap* pMask, int x, int y, int nWidth,
                               int nHeight, DWORD dwKeyColor, BOOL bMaskHasKeyColor, BOOL bMaskAllKeyColor);

// A picture frame and an overlay copy frame (pMask may be null) as
// DrawPictureThroughGdiplus draws them: composed straight from the frames'
// pixels when the picture has the area's size, else through GDI+.
BOOL ComposePicture(CDC* pDC, const CKIVOFrame& picture, const CKIVOFrame* pMask, int x, int y, int nWidth, int nHeight,
                    DWORD dwKeyColor, BOOL bMaskHasKeyColor, BOOL bMaskAllKeyColor);
}
