// KivoClientRedraw.cpp: the facade's window redraw part: the application's
// request to repaint the last live picture while no live picture thread runs.
#include "stdafx.h"
#include <KivoClient.h>

int CKIVOClient::RedrawClientWindow(HWND hWnd, CDC* pDC, int bBuffered)
{
    if (!m_Thread.HasClient())
        return -1;
    if (m_Thread.IsThreadRunning() || m_bPollLivePictures || !m_Thread.HasStoredPicture())
        return -2;
    try
    {
        CheckConnection(_T("RedrawClientWindow"));
        if (hWnd == nullptr)
            hWnd = m_Thread.GetLiveWindow();
        if (!m_Thread.IsLiveDisplayOn() || hWnd == nullptr || hWnd != m_Thread.GetLiveWindow())
            return -1;
        return m_Thread.RedrawLivePicture(hWnd, pDC, bBuffered);
    }
    catch (CException* pException)
    {
        pException->Delete();
        return -2;
    }
}
