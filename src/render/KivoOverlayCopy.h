// KivoOverlayCopy.h: the overlay device's pixels copied out as a frame that
// can be drawn over a picture, with the flags that say how much of it is of
// the key colour.
#pragma once

#include <afxwin.h>

#include <KivoClientMaskPaintDC.h>
#include <KivoFrame.h>

namespace Kivo
{
// A copy of the overlay device when the application drew into it since its
// last copy, else an empty frame; the flags are written only with a copy.
// The device's pixels are read through pDC, under the device's lock.
// *pbRepaint tells whether the window whose overlay the device holds must be
// asked to draw it (RequestWindowRepaint): nothing drawn yet, a copy without
// the key colour, or no new overlay while the caller holds no copy
// (bHoldsCopy FALSE).
CKIVOFrame CopyOverlay(CKIVOClientMaskPaintDC& device, CDC* pDC, COLORREF crKeyColor, int* pbMaskHasKeyColor,
                       int* pbMaskAllKeyColor, BOOL bHoldsCopy, bool* pbRepaint);

// Forgets what was drawn into the overlay device since its last copy.
void DiscardOverlayDrawing(CKIVOClientMaskPaintDC& device);

// Invalidates the window and posts it WM_PAINT, so that the application draws
// its overlay; nothing for a null window.
void RequestWindowRepaint(HWND hWnd);
}
