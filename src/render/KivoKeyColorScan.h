// KivoKeyColorScan.h: the key colour scan of an overlay copy.
#pragma once

#include <windows.h>

namespace Gdiplus
{
class Bitmap;
}

namespace Kivo
{
// TRUE when any pixel of the bitmap has the key colour's red, green and blue
// (alpha is not compared); *pbAllKeyColor tells whether every pixel has it, and
// is TRUE also when none has. Stops as soon as both kinds were seen.
BOOL ScanMaskForKeyColor(Gdiplus::Bitmap* pMask, const COLORREF* pcrKeyColor, int* pbAllKeyColor);
}
