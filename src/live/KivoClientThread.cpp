// KivoClientThread.cpp: the worker object and the start and stop of its live
// picture thread.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoGdiplus.h"
#include "KivoComPtr.h"
#include "KivoInterlocked.h"
#include <utility>

CKIVOClientThread::CKIVOClientThread(CKIVOClient* pClient)
    : m_pClient(pClient)
    , m_dwThreadId(0)
    , m_hWnd(nullptr)
    , m_bLiveDisplay(0)
    , m_nLiveTop(0)
    , m_nLiveLeft(0)
    , m_nLiveHeight(0)
    , m_nLiveWidth(0)
    , m_nCachedLiveWidth(0)
    , m_nCachedLiveHeight(0)
    , m_bHasCachedLiveWidth(0)
    , m_bHasCachedLiveHeight(0)
{
    SetRectEmpty(&m_rcLiveClient);
}

CKIVOClientThread::~CKIVOClientThread()
{
    StopThread(FALSE);
    FreeFrames();
}

// Closes the handles of a thread that has ended, by itself or stopped; a
// thread that still runs keeps them. Called with m_csThread held.
void CKIVOClientThread::CloseEndedThread()
{
    if (m_hThread.IsNull() || WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT)
        return;
    m_hThread.Reset();
    m_hStopEvent.Reset();
    m_hStartedEvent.Reset();
    m_dwThreadId = 0;
}

BOOL CKIVOClientThread::StartThread(BOOL bDiscardFrames)
{
    const HWND hWnd = GetLiveWindow();
    if (m_pClient == nullptr || hWnd == nullptr)
        return FALSE;
    if (bDiscardFrames)
        ClearFrames();
    if (!IsWindow(hWnd))
        return FALSE;   // a destroyed window: no thread to paint into it

    CSingleLock lock(&m_csThread, TRUE);
    // A thread that ended by itself (camera released, connection lost) leaves
    // its handles behind; they go, and a new thread starts.
    CloseEndedThread();
    if (!m_hThread.IsNull())
        return TRUE;

    // The thread will need the newest interface; prove now that the server has it.
    CKIVOComPtr<IKIVOCamera3> pCamera3;
    HRESULT hr = Kivo::QueryInterfaceTo(m_pClient->GetICamera(), IID_IKIVOCamera3, pCamera3);
    if (FAILED(hr) || pCamera3.IsNull())
        return FALSE;
    pCamera3.Reset();

    CKIVOHandle hStopEvent(Kivo::CreateManualResetEvent());
    CKIVOHandle hStartedEvent(Kivo::CreateManualResetEvent());
    if (hStopEvent.IsNull() || hStartedEvent.IsNull())
        return FALSE;
    m_hStopEvent = std::move(hStopEvent);
    m_hStartedEvent = std::move(hStartedEvent);
    m_hThread.Reset(CreateThread(nullptr, 0, LiveThreadProc, this, 0, &m_dwThreadId));
    if (m_hThread.IsNull())
    {
        m_dwThreadId = 0;
        m_hStopEvent.Reset();
        m_hStartedEvent.Reset();
        return FALSE;
    }
    SetThreadPriority(m_hThread, THREAD_PRIORITY_ABOVE_NORMAL);
    // A thread slower than this is left running; the start still counts.
    WaitForSingleObject(m_hStartedEvent, 10000);
    return TRUE;
}

BOOL CKIVOClientThread::StopThread(BOOL bDiscardFrames)
{
    // The live thread may be waiting for the overlay device; if the calling
    // thread still holds it, waiting for the live thread would wait for ever.
    // The recursive lock is free to the thread that holds it and to no other.
    // Given back before m_csThread is taken: a start holding that lock may be
    // waiting for a new thread's set-up, which waits for the device.
    if (m_pClient != nullptr && m_pClient->m_bMaskPaintDCInUse && m_MaskPaintDC.Lock(FALSE))
    {
        m_MaskPaintDC.UnLock();
        m_pClient->ReleaseMaskPaintDC();
    }

    // The wait uses a handle of its own: a Stop on another thread may close
    // the run's handles as soon as the thread has ended.
    CKIVOHandle hThread;
    {
        CSingleLock lock(&m_csThread, TRUE);
        if (m_hThread.IsNull())
            return TRUE;   // the stored frames stay, whatever was asked
        SetEvent(m_hStopEvent);
        SetEvent(m_hStartedEvent);
        hThread.Reset(Kivo::DuplicateOwnHandle(m_hThread));
    }
    if (!hThread.IsNull())
        WaitForSingleObject(hThread, INFINITE);
    else
        while (IsThreadRunning())   // no handle to spare: look again and again
            Sleep(10);

    {
        CSingleLock lock(&m_csThread, TRUE);
        CloseEndedThread();   // a thread started meanwhile by another caller stays
    }
    if (bDiscardFrames)
        ClearFrames();
    return TRUE;
}

// The events exist from before the thread starts until after it ended.
void CKIVOClientThread::SignalThreadStarted()
{
    SetEvent(m_hStartedEvent);
}

BOOL CKIVOClientThread::IsStopRequested() const
{
    return WaitForSingleObject(m_hStopEvent, 0) != WAIT_TIMEOUT;
}

HANDLE CKIVOClientThread::GetThreadHandle()
{
    CSingleLock lock(&m_csThread, TRUE);
    return m_hThread.Get();
}

BOOL CKIVOClientThread::IsThreadRunning()
{
    CSingleLock lock(&m_csThread, TRUE);
    return !m_hThread.IsNull() && WaitForSingleObject(m_hThread, 0) == WAIT_TIMEOUT;
}

void CKIVOClientThread::SetLiveWindow(HWND hWnd)
{
    if (hWnd == GetLiveWindow())
        return;
    Kivo::WriteInterlocked(m_hWnd, hWnd);
    ForgetLiveArea();
}

HWND CKIVOClientThread::GetLiveWindow() const
{
    return Kivo::ReadInterlocked(m_hWnd);
}

void CKIVOClientThread::SetLiveDisplay(int bOn)
{
    Kivo::WriteInterlocked(m_bLiveDisplay, bOn);
}

BOOL CKIVOClientThread::IsLiveDisplayOn() const
{
    return Kivo::ReadInterlocked(m_bLiveDisplay);
}

void CKIVOClientThread::RememberLiveArea(HWND hWnd, int nLeft, int nTop, int nWidth, int nHeight)
{
    Kivo::WriteInterlocked(m_nLiveHeight, nHeight);
    Kivo::WriteInterlocked(m_nLiveWidth, nWidth);
    Kivo::WriteInterlocked(m_nLiveTop, nTop);
    Kivo::WriteInterlocked(m_nLiveLeft, nLeft);
    RECT rcClient;
    if (GetClientRect(hWnd, &rcClient))
        Kivo::WriteInterlocked(m_rcLiveClient, rcClient);
}

void CKIVOClientThread::ForgetLiveArea()
{
    Kivo::WriteInterlocked(m_nLiveTop, 0);
    Kivo::WriteInterlocked(m_nLiveLeft, 0);
    Kivo::WriteInterlocked(m_nLiveHeight, 0);
    Kivo::WriteInterlocked(m_nLiveWidth, 0);
    const RECT rcEmpty = {};
    Kivo::WriteInterlocked(m_rcLiveClient, rcEmpty);
}

void CKIVOClientThread::GetLiveArea(int* pnLeft, int* pnTop, int* pnWidth, int* pnHeight, RECT* prcClient) const
{
    *pnLeft = Kivo::ReadInterlocked(m_nLiveLeft);
    *pnTop = Kivo::ReadInterlocked(m_nLiveTop);
    *pnWidth = Kivo::ReadInterlocked(m_nLiveWidth);
    *pnHeight = Kivo::ReadInterlocked(m_nLiveHeight);
    *prcClient = Kivo::ReadInterlocked(m_rcLiveClient);
}

BOOL CKIVOClientThread::IsClientDrawnLive()
{
    if (m_pClient == nullptr)
        return FALSE;
    return (m_pClient->GetPropValueInt(CONTROLFLAGS) & KIVO_CLIENT_DRAWN_LIVE) != 0;
}

void CKIVOClientThread::SetClientDrawnLive()
{
    if (m_pClient == nullptr)
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
