// KivoUnscaledComposition.h: a live picture of the picture area's own size,
// with the overlay copy over it, composed straight from the frames' pixel
// buffers into the target DC with SetDIBitsToDevice: the same pixels GDI+
// draws for such a picture, without its copies and conversions.
#pragma once

#include <windows.h>

namespace Kivo
{
// Composes the picture (the DIB of a frame made by CreatePictureBitmap: 8-bit
// grey with its grey-ramp palette, or 32-bit) at (x, y) of hDC and, when pMaskInfo is
// given, the overlay copy (a 32-bit DIB read from the overlay device) over it,
// one pixel per pixel from the overlay's top-left corner, its pixels of the
// key colour's red, green and blue transparent. FALSE, with nothing drawn,
// when the picture is not nWidth x nHeight, the overlay smaller than that, a
// format, palette or target DC one whose pixels are not known to equal GDI+'s, or
// the call into the DC fails: the caller then draws with GDI+.
BOOL ComposeUnscaledPicture(HDC hDC, const BITMAPINFO* pPictureInfo, const void* pPictureBits,
                            const BITMAPINFO* pMaskInfo, const void* pMaskBits, int x, int y, int nWidth, int nHeight,
                            COLORREF crKeyColor);
}
