// KivoFrameSet.h: disposal of the pieces of a frame set (a GDI+ bitmap with
// its header and pixel buffers).
#pragma once

#include <windows.h>

namespace Gdiplus
{
class Bitmap;
}

void DisposeFramePiece(Gdiplus::Bitmap* pBitmap);
void DisposeFramePiece(BITMAPINFO* pInfo);
void DisposeFramePiece(void* pBits);
