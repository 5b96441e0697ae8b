// KivoClientThreadRedraw.cpp: the worker's window redraw part: the stored
// picture, with its overlay copy, painted into the live window while no live
// picture thread runs. The picture area follows the window when it changed
// size since the area was set.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoStoredPicturePaint.h"
#include "KivoWindowDC.h"

int CKIVOClientThread::RedrawLivePicture(HWND hWnd, CDC* pDC, int bBuffered)
{
    if (m_pClient == nullptr)
        return -2;
    if (hWnd == nullptr)
        hWnd = GetLiveWindow();
    try
    {
        if (pDC != nullptr)
            return PaintLivePicture(pDC, bBuffered) ? 0 : -1;
        CKIVOWindowDC windowDC(hWnd);
        if (windowDC.Get() == nullptr)
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
    if (pDC == nullptr)
        return FALSE;
    RECT rcClient;
    const HWND hLiveWindow = GetLiveWindow();
    if (hLiveWindow == nullptr || !GetClientRect(hLiveWindow, &rcClient))
        return FALSE;
    int nLiveLeft, nLiveTop, nLiveWidth, nLiveHeight;
    RECT rcLiveClient;
    GetLiveArea(&nLiveLeft, &nLiveTop, &nLiveWidth, &nLiveHeight, &rcLiveClient);
    const CRect rcLiveArea(nLiveLeft, nLiveTop, nLiveLeft + nLiveWidth, nLiveTop + nLiveHeight);
    const CRect rcArea = Kivo::FitPictureArea(rcClient, rcLiveArea, rcLiveClient);

    // The stored set is composed as the live loop composes its own.
    CSingleLock lock(&m_csFrames, TRUE);
    return Kivo::PaintFrameSet(pDC, m_Frames, rcArea, bBuffered);
}
