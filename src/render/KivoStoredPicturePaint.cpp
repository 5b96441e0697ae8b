// KivoStoredPicturePaint.cpp: a stored frame set painted again.
#include "stdafx.h"
#include "KivoStoredPicturePaint.h"
#include "KivoPictureComposition.h"

#include <KivoClientPaintDC.h>

namespace Kivo
{
CRect FitPictureArea(const RECT& rcClient, const RECT& rcLastArea, const RECT& rcLastClient)
{
    const int nLastWidth = rcLastArea.right - rcLastArea.left;
    const int nLastHeight = rcLastArea.bottom - rcLastArea.top;
    if (nLastWidth < 1 || nLastHeight < 1)
        return CRect(rcClient);
    if (EqualRect(&rcClient, &rcLastClient))
        return CRect(rcLastArea);

    const int nClientWidth = rcClient.right - rcClient.left;
    const int nClientHeight = rcClient.bottom - rcClient.top;
    int nWidth = nClientWidth + (nLastWidth - (rcLastClient.right - rcLastClient.left));
    int nHeight = nClientHeight + (nLastHeight - (rcLastClient.bottom - rcLastClient.top));
    const double dAspect = static_cast<double>(nLastWidth) / nLastHeight;
    const int nFitHeight = static_cast<int>(nWidth / dAspect);
    const int nFitWidth = static_cast<int>(dAspect * nHeight);
    if (nFitHeight < nHeight)
        nHeight = nFitHeight;
    else if (nFitWidth < nWidth)
        nWidth = nFitWidth;
    return CRect(rcLastArea.left, rcLastArea.top, rcLastArea.left + nWidth, rcLastArea.top + nHeight);
}

BOOL PaintFrameSet(CDC* pDC, const CKIVOFrameSet& frames, const CRect& rcArea, BOOL bBuffered)
{
    if (pDC == nullptr)
        return FALSE;
    const BOOL bHasKey = frames.bMaskHasKeyColor;
    const BOOL bAllKey = frames.bMaskAllKeyColor;
    const CKIVOFrame* pMask = bHasKey && !bAllKey ? &frames.mask : nullptr;
    if (!bBuffered)
        return ComposePicture(pDC, frames.picture, pMask, rcArea.left, rcArea.top, rcArea.Width(), rcArea.Height(),
                              frames.dwKeyColor, bHasKey, bAllKey);

    CKIVOClientPaintDC buffer;
    CRect rcBuffer(rcArea);
    if (!buffer.Assign(pDC, rcBuffer))
        return FALSE;
    const BOOL bDrawn = ComposePicture(&buffer, frames.picture, pMask, rcArea.left, rcArea.top, rcArea.Width(),
                                       rcArea.Height(), frames.dwKeyColor, bHasKey, bAllKey);
    buffer.UnAssign();
    if (bDrawn && buffer.CanBlit(TRUE))
        buffer.BlitToCDC(pDC);
    return bDrawn;
}
}
