// KivoCameraCommands.cpp: the commands that drive the camera, and where they
// start and stop the live picture thread relative to the server call.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoComPtr.h"

void CKIVOClient::Open(int bClearFrames)
{
    IKIVOCamera* pCamera = GetICamera();
    CKIVOComPtr<IKIVOCamera2> pCamera2;
    HRESULT hr;
    if (Kivo::QueryInterfaceTo(pCamera, IID_IKIVOCamera2, pCamera2) == S_OK && !pCamera2.IsNull())
        hr = pCamera2->OpenForProcess(GetCurrentProcessId());
    else
        hr = pCamera->Open();
    pCamera2.Reset();
    HandleConnectionError(hr, _T("Open"));
    SetPropValueInt(OWNER, m_eInterface);
    if (bClearFrames)
        m_Thread.ClearFrames();
}

void CKIVOClient::Close(int bClearFrames)
{
    CheckConnection(_T("Close"));
    HandleConnectionError(GetICamera()->Close(), _T("Close"));
    if (bClearFrames)
        m_Thread.ClearFrames();
}

void CKIVOClient::Init()
{
    CheckConnection(_T("Init"));
    if (CKIVOClientThread::IsClientDrawingAllowed())
    {
        if (!m_Thread.IsClientDrawnLive())
            m_Thread.SetClientDrawnLive();
    }
    HandleConnectionError(GetICamera()->Init(), _T("Init"));
}

void CKIVOClient::Start(int bDiscardFrames)
{
    // The property holds the window handle as a 32-bit number; widen it with sign.
    HWND hLiveWindow = reinterpret_cast<HWND>(static_cast<INT_PTR>(GetPropValueInt(LIVEWINDOW)));
    m_Thread.SetLiveWindow(hLiveWindow);

    BOOL bClientDrawn = m_Thread.IsClientDrawnLive();
    if (m_bPollLivePictures == 0 && bClientDrawn && m_Thread.IsLiveDisplayOn())
    {
        if (!m_Thread.StartThread(bDiscardFrames))
            HandleConnectionError(E_ACCESSDENIED, _T("Start"));
    }
    CheckConnection(_T("Start"));
    HandleConnectionError(GetICamera()->Start(), _T("Start"));
}

void CKIVOClient::Stop(int bDiscardFrames)
{
    m_Thread.StopThread(bDiscardFrames);
    CheckConnection(_T("Stop"));
    HandleConnectionError(GetICamera()->Stop(), _T("Stop"));
}

void CKIVOClient::Update()
{
    CheckConnection(_T("Update"));
    HandleConnectionError(GetICamera()->Update(), _T("Update"));
    RedrawClientWindow(nullptr, nullptr, 1);
}

void CKIVOClient::Reset()
{
    CheckConnection(_T("Reset"));
    HandleConnectionError(GetICamera()->Reset(), _T("Reset"));
}

int CKIVOClient::OrderCamera()
{
    if (m_bOrdered == 0)
    {
        CheckConnection(_T("OrderCamera"));
        COleVariant varOrdered;
        HRESULT hr = GetICamera()->OrderCamera(&varOrdered);
        HandleConnectionError(hr, _T("OrderCamera"));
        m_bOrdered = varOrdered.lVal;
    }
    if (m_bOrdered != 0)
    {
        // Another client that wrote itself as owner gets the camera closed under it.
        COleVariant varOwner;
        HRESULT hr = GetICamera()->GetPropVariant(OWNER, &varOwner);
        if (hr >= 0 && varOwner.lVal != static_cast<long>(m_eInterface))
            Close(1);
    }
    return m_bOrdered;
}

void CKIVOClient::ReleaseCamera()
{
    CheckConnection(_T("ReleaseCamera"));
    m_Thread.StopThread(FALSE);
    if (m_bOrdered != 0)
    {
        long nResult = 0;
        HandleConnectionError(GetICamera()->ReleaseCamera(&nResult), _T("ReleaseCamera"));
        m_bOrdered = 0;
    }
}

tagEServerState CKIVOClient::GetServerState()
{
    CheckConnection(_T("GetServerState"));
    tagEServerState eState = SERVERSTATE_CLOSED;
    HandleConnectionError(GetICamera()->GetServerState(&eState), _T("GetServerState"));
    return eState;
}

int CKIVOClient::IsOrdered() const
{
    return m_bOrdered;
}

void CKIVOClient::EnablePollLivePictures(int bEnable)
{
    m_bPollLivePictures = bEnable;
}
