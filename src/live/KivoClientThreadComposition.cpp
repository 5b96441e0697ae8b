// KivoClientThreadComposition.cpp: the worker's composition part: a live
// picture with the overlay copy over it, and the overlay copied out of the
// worker's overlay device. The drawing itself is the render layer's.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoOverlayCopy.h"
#include "KivoPictureComposition.h"

BOOL CKIVOClientThread::DrawLivePicture(CDC* pDC, Gdiplus::Bitmap* pPicture, Gdiplus::Bitmap* pMask, int x, int y,
                                        int nWidth, int nHeight, DWORD dwKeyColor, BOOL bMaskHasKeyColor,
                                        BOOL bMaskAllKeyColor)
{
    return Kivo::DrawPictureThroughGdiplus(pDC, pPicture, pMask, x, y, nWidth, nHeight, dwKeyColor, bMaskHasKeyColor,
                                           bMaskAllKeyColor);
}

BOOL CKIVOClientThread::ComposeLivePicture(CDC* pDC, const CKIVOFrame& picture, const CKIVOFrame* pMask, int x, int y,
                                           int nWidth, int nHeight, DWORD dwKeyColor, BOOL bMaskHasKeyColor,
                                           BOOL bMaskAllKeyColor)
{
    return Kivo::ComposePicture(pDC, picture, pMask, x, y, nWidth, nHeight, dwKeyColor, bMaskHasKeyColor,
                                bMaskAllKeyColor);
}

CKIVOFrame CKIVOClientThread::CopyMaskBitmap(CDC* pDC, COLORREF crKeyColor, int* pbMaskHasKeyColor,
                                             int* pbMaskAllKeyColor, BOOL bHoldsCopy)
{
    bool bRepaint = false;
    CKIVOFrame mask =
        Kivo::CopyOverlay(m_MaskPaintDC, pDC, crKeyColor, pbMaskHasKeyColor, pbMaskAllKeyColor, bHoldsCopy, &bRepaint);
    if (bRepaint)
        RequestOverlayRepaint();
    return mask;
}

void CKIVOClientThread::RequestOverlayRepaint()
{
    Kivo::RequestWindowRepaint(GetLiveWindow());
}

void CKIVOClientThread::DiscardOverlayDrawing()
{
    Kivo::DiscardOverlayDrawing(m_MaskPaintDC);
}
