// KivoClientThreadRedraw.cpp: the worker's window redraw part: the stored
// picture, with its overlay copy, painted into the live window while no live
// picture thread runs. The picture area follows the window when it changed
// size since the area was set.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoGdiplus.h"
#include "KivoWindowDC.h"

int CKIVOClientThread::RedrawLivePicture(HWND hWnd, CDC* pDC, int bBuffered)
{
    if (m_pClient == NULL)
        return -2;
    if (hWnd == NULL)
        hWnd = GetLiveWindow();
    try
    {
        if (pDC != NULL)
            return PaintLivePicture(pDC, bBuffered) ? 0 : -1;
        CKIVOWindowDC windowDC(hWnd);
        if (windowDC.Get() == NULL)
            return -1;
        return PaintLivePicture(windowDC.Get(), bBuffered) ? 0 : -1;
    }
    catch (CException* pException)
    {
        pException->Delete();
        return -2;
    }
}

BOOL CKIVOClientThread::PaintLivePicture(CDC* pDC, int bBuffered)
{
    if (pDC == NULL)
        return FALSE;
    RECT rcClient;
    const HWND hLiveWindow = GetLiveWindow();
    if (hLiveWindow == NULL || !GetClientRect(hLiveWindow, &rcClient))
        return FALSE;
    int nLiveLeft, nLiveTop, nLiveWidth, nLiveHeight;
    RECT rcLiveClient;
    GetLiveArea(&nLiveLeft, &nLiveTop, &nLiveWidth, &nLiveHeight, &rcLiveClient);

    const int nClientWidth = rcClient.right - rcClient.left;
    const int nClientHeight = rcClient.bottom - rcClient.top;
    int nLeft, nTop, nWidth, nHeight;
    if (nLiveWidth < 1 || nLiveHeight < 1)
    {
        nLeft = rcClient.left;
        nTop = rcClient.top;
        nWidth = nClientWidth;
        nHeight = nClientHeight;
    }
    else if (EqualRect(&rcClient, &rcLiveClient))
    {
        nLeft = nLiveLeft;
        nTop = nLiveTop;
        nWidth = nLiveWidth;
        nHeight = nLiveHeight;
    }
    else
    {
        // The area keeps its distance to the right and bottom edges, then its
        // aspect ratio inside that room.
        nLeft = nLiveLeft;
        nTop = nLiveTop;
        nWidth = nClientWidth + (nLiveWidth - (rcLiveClient.right - rcLiveClient.left));
        nHeight = nClientHeight + (nLiveHeight - (rcLiveClient.bottom - rcLiveClient.top));
        const double dAspect = static_cast<double>(nLiveWidth) / nLiveHeight;
        const int nFitHeight = static_cast<int>(nWidth / dAspect);
        const int nFitWidth = static_cast<int>(dAspect * nHeight);
        if (nFitHeight < nHeight)
            nHeight = nFitHeight;
        else if (nFitWidth < nWidth)
            nWidth = nFitWidth;
    }

    // The stored set is composed as the live loop composes its own.
    CSingleLock lock(&m_csFrames, TRUE);
    const BOOL bHasKey = m_Frames.bMaskHasKeyColor;
    const BOOL bAllKey = m_Frames.bMaskAllKeyColor;
    const CKIVOFrame* pMask = bHasKey && !bAllKey ? &m_Frames.mask : NULL;
    const DWORD dwKey = m_Frames.dwKeyColor;
    if (!bBuffered)
        return ComposeLivePicture(pDC, m_Frames.picture, pMask, nLeft, nTop, nWidth, nHeight, dwKey, bHasKey,
                                  bAllKey);

    CKIVOClientPaintDC buffer;
    CRect rcArea(nLeft, nTop, nLeft + nWidth, nTop + nHeight);
    if (!buffer.Assign(pDC, rcArea))
        return FALSE;
    BOOL bDrawn = ComposeLivePicture(&buffer, m_Frames.picture, pMask, nLeft, nTop, nWidth, nHeight, dwKey, bHasKey,
                                     bAllKey);
    buffer.UnAssign();
    if (bDrawn && buffer.CanBlit(TRUE))
        buffer.BlitToCDC(pDC);
    return bDrawn;
}
