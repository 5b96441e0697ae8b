// KivoStoredPicturePaint.h: a stored frame set painted again into a window
// whose size may have changed since the picture was last shown.
#pragma once

#include <afxwin.h>

#include <KivoFrameSet.h>

namespace Kivo
{
// The picture area for a window whose client rectangle is now rcClient, when
// the picture was last shown at rcLastArea while the client rectangle was
// rcLastClient. Without a last area (empty), the whole client rectangle; for
// an unchanged window, the last area; else the last area keeps its distance
// to the right and bottom edges, then its aspect ratio inside that room.
CRect FitPictureArea(const RECT& rcClient, const RECT& rcLastArea, const RECT& rcLastClient);

// The frame set's picture with its overlay composed into rcArea of pDC, as
// the live picture loop composes its own; bBuffered composes off screen and
// copies the result in one blit. FALSE when nothing was drawn.
BOOL PaintFrameSet(CDC* pDC, const CKIVOFrameSet& frames, const CRect& rcArea, BOOL bBuffered);
}
