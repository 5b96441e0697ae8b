// KivoClientThread.cpp: the worker object and the start and stop of its live
// picture thread.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoGdiplus.h"

CKIVOClientThread::CKIVOClientThread(CKIVOClient* pClient)
    : m_pGdiplus(NULL)
    , m_pClient(pClient)
    , m_hThread(NULL)
    , m_dwThreadId(0)
    , m_hStopEvent(NULL)
    , m_hStartedEvent(NULL)
    , m_hWnd(NULL)
    , m_bLiveDisplay(0)
    , m_nLiveTop(0)
    , m_nLiveLeft(0)
    , m_nLiveHeight(0)
    , m_nLiveWidth(0)
    , m_nCachedLiveWidth(0)
    , m_nCachedLiveHeight(0)
    , m_bHasCachedLiveWidth(0)
    , m_bHasCachedLiveHeight(0)
    , m_pPicture(NULL)
    , m_pPictureInfo(NULL)
    , m_pPictureBits(NULL)
    , m_pMask(NULL)
    , m_pMaskInfo(NULL)
    , m_pMaskBits(NULL)
    , m_pKeyColor(NULL)
    , m_bMaskHasKeyColor(0)
    , m_bMaskAllKeyColor(1)
{
    SetRectEmpty(&m_rcLiveClient);
    m_pKeyColor = new Gdiplus::Color(0xFF000000);

    // GDI+ lives as long as this object: the stored frames outlive the live
    // picture thread's own GDI+ initialisation.
    m_pGdiplus = new (std::nothrow) CKIVOGdiplusRecord;
    if (m_pGdiplus != NULL)
        Gdiplus::GdiplusStartup(&m_pGdiplus->token, &m_pGdiplus->input, NULL);
}

CKIVOClientThread::~CKIVOClientThread()
{
    StopThread(FALSE);
    FreeFrames();
    delete m_pKeyColor;
    if (m_pGdiplus != NULL)
    {
        Gdiplus::GdiplusShutdown(m_pGdiplus->token);
        delete m_pGdiplus;
    }
}

BOOL CKIVOClientThread::StartThread(BOOL bDiscardFrames)
{
    if (m_pClient == NULL || m_hWnd == NULL)
        return FALSE;
    if (bDiscardFrames)
        ClearFrames();

    CSingleLock lock(&m_csThread, TRUE);
    if (m_hThread != NULL)
        return TRUE;

    // The thread will need the newest interface; prove now that the server has it.
    IKIVOCamera3* pCamera3 = NULL;
    HRESULT hr = m_pClient->GetICamera()->QueryInterface(IID_IKIVOCamera3,
                                                         reinterpret_cast<void**>(&pCamera3));
    if (FAILED(hr) || pCamera3 == NULL)
        return FALSE;
    pCamera3->Release();

    m_hStopEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    m_hStartedEvent = CreateEventW(NULL, TRUE, FALSE, NULL);
    m_hThread = CreateThread(NULL, 0, LiveThreadProc, this, 0, &m_dwThreadId);
    if (m_hThread == NULL)
    {
        m_dwThreadId = 0;
        CloseHandle(m_hStopEvent);
        CloseHandle(m_hStartedEvent);
        m_hStopEvent = m_hStartedEvent = NULL;
        return FALSE;
    }
    SetThreadPriority(m_hThread, THREAD_PRIORITY_ABOVE_NORMAL);
    // A thread slower than this is left running; the start still counts.
    WaitForSingleObject(m_hStartedEvent, 10000);
    return TRUE;
}

BOOL CKIVOClientThread::StopThread(BOOL bDiscardFrames)
{
    HANDLE hThread = m_hThread;
    if (hThread == NULL)
        return TRUE;

    // The live thread may be waiting for the overlay device; if the calling
    // thread still holds it, waiting for the live thread would wait for ever.
    // The recursive lock is free to the thread that holds it and to no other.
    if (m_pClient != NULL && m_pClient->m_bMaskPaintDCInUse && m_MaskPaintDC.Lock(FALSE))
    {
        m_MaskPaintDC.UnLock();
        m_pClient->ReleaseMaskPaintDC();
    }

    SetEvent(m_hStopEvent);
    SetEvent(m_hStartedEvent);   // releases a StartThread still waiting for the set-up
    WaitForSingleObject(hThread, INFINITE);

    {
        CSingleLock lock(&m_csThread, TRUE);
        CloseHandle(m_hThread);
        CloseHandle(m_hStopEvent);
        CloseHandle(m_hStartedEvent);
        m_hThread = m_hStopEvent = m_hStartedEvent = NULL;
        m_dwThreadId = 0;
    }
    if (bDiscardFrames)
        ClearFrames();
    return TRUE;
}

BOOL CKIVOClientThread::IsThreadRunning()
{
    CSingleLock lock(&m_csThread, TRUE);
    return m_hThread != NULL && WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT;
}

void CKIVOClientThread::SetLiveWindow(HWND hWnd)
{
    if (hWnd == m_hWnd)
        return;
    m_hWnd = hWnd;
    m_nLiveTop = m_nLiveLeft = m_nLiveHeight = m_nLiveWidth = 0;
    SetRectEmpty(&m_rcLiveClient);
}

BOOL CKIVOClientThread::IsClientDrawnLive()
{
    if (m_pClient == NULL)
        return FALSE;
    return (m_pClient->GetPropValueInt(CONTROLFLAGS) & KIVO_CLIENT_DRAWN_LIVE) != 0;
}

void CKIVOClientThread::SetClientDrawnLive()
{
    if (m_pClient == NULL)
        return;
    int nFlags = m_pClient->GetPropValueInt(CONTROLFLAGS);
    m_pClient->SetPropValueInt(CONTROLFLAGS, nFlags | KIVO_CLIENT_DRAWN_LIVE);
}

BOOL CKIVOClientThread::GetCachedLiveSize(tagEMVP eProp, int* pnValue)
{
    CSingleLock lock(&m_csLiveSize, TRUE);
    BOOL bHas = eProp == LIVEWIDTH ? m_bHasCachedLiveWidth : m_bHasCachedLiveHeight;
    if (bHas)
        *pnValue = eProp == LIVEWIDTH ? m_nCachedLiveWidth : m_nCachedLiveHeight;
    return bHas;
}

void CKIVOClientThread::SetCachedLiveSize(tagEMVP eProp, int nValue)
{
    CSingleLock lock(&m_csLiveSize, TRUE);
    if (eProp == LIVEWIDTH)
    {
        m_nCachedLiveWidth = nValue;
        m_bHasCachedLiveWidth = 1;
    }
    else
    {
        m_nCachedLiveHeight = nValue;
        m_bHasCachedLiveHeight = 1;
    }
}
