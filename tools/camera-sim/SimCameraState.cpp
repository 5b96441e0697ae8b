#include "SimCameraState.h"

CSimCameraState::CSimCameraState()
    : m_eState(SERVERSTATE_CLOSED), m_eError(SIMERR_NONE), m_nOrderedBy(0)
{
    InitializeCriticalSection(&m_cs);
}

CSimCameraState::~CSimCameraState()
{
    DeleteCriticalSection(&m_cs);
}

bool CSimCameraState::IsAccessDenied(ConnectionId nConn) const
{
    return m_nOrderedBy != 0 && m_nOrderedBy != nConn;
}

HRESULT CSimCameraState::Fail(ESimError eError)
{
    m_eError = eError;
    return SimErrorResult(eError);
}

HRESULT CSimCameraState::Open(ConnectionId nConn)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    if (m_eState == SERVERSTATE_CLOSED)
        m_eState = SERVERSTATE_OPENED;
    return S_OK;
}

HRESULT CSimCameraState::Close(ConnectionId nConn)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    m_eState = SERVERSTATE_CLOSED;
    return S_OK;
}

HRESULT CSimCameraState::Init(ConnectionId nConn)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    switch (m_eState)
    {
    case SERVERSTATE_CLOSED:
        return Fail(SIMERR_NOTOPEN);
    case SERVERSTATE_STARTED:
        return Fail(SIMERR_RUNNING);
    default:
        m_eState = SERVERSTATE_INITIALIZED;
        return S_OK;
    }
}

HRESULT CSimCameraState::Start(ConnectionId nConn)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    switch (m_eState)
    {
    case SERVERSTATE_CLOSED:
        return Fail(SIMERR_NOTOPEN);
    case SERVERSTATE_INITIALIZED:
    case SERVERSTATE_STOPPED:
    case SERVERSTATE_STARTED:
        m_eState = SERVERSTATE_STARTED;
        return S_OK;
    default:
        return Fail(SIMERR_NOTINITIALIZED);
    }
}

HRESULT CSimCameraState::Stop(ConnectionId nConn)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    // Stopping a camera that does not run changes nothing.
    if (m_eState == SERVERSTATE_STARTED)
        m_eState = SERVERSTATE_STOPPED;
    return S_OK;
}

HRESULT CSimCameraState::Reset(ConnectionId nConn)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    if (m_eState == SERVERSTATE_CLOSED)
        return Fail(SIMERR_NOTOPEN);
    m_eState = SERVERSTATE_OPENED;
    m_eError = SIMERR_NONE;
    return S_OK;
}

HRESULT CSimCameraState::Update(ConnectionId nConn)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    if (m_eState == SERVERSTATE_CLOSED)
        return Fail(SIMERR_NOTOPEN);
    // Properties take effect when written; there is nothing to transfer.
    return S_OK;
}

tagEServerState CSimCameraState::GetState()
{
    CSimLock lock(m_cs);
    return m_eState;
}

LONG CSimCameraState::GetError()
{
    CSimLock lock(m_cs);
    return m_eError;
}

std::wstring CSimCameraState::GetErrorText()
{
    return GetErrorText(GetError());
}

std::wstring CSimCameraState::GetErrorText(LONG nError)
{
    switch (nError)
    {
    case SIMERR_NONE:
        return L"No error";
    case SIMERR_NOTOPEN:
        return L"Camera is not open";
    case SIMERR_NOTINITIALIZED:
        return L"Camera is not initialized";
    case SIMERR_RUNNING:
        return L"Camera is running";
    default:
        return L"Unknown error";
    }
}

void CSimCameraState::ClearError()
{
    CSimLock lock(m_cs);
    m_eError = SIMERR_NONE;
}

std::wstring CSimCameraState::GetPropText(LONG nProp)
{
    CSimLock lock(m_cs);
    return m_props.GetText(nProp);
}

LONG CSimCameraState::GetPropInteger(LONG nProp)
{
    CSimLock lock(m_cs);
    return m_props.GetInteger(nProp);
}

HRESULT CSimCameraState::SetPropText(ConnectionId nConn, LONG nProp, const std::wstring& strValue)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    return m_props.SetText(nProp, strValue);
}

HRESULT CSimCameraState::SetPropInteger(ConnectionId nConn, LONG nProp, LONG nValue)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    return m_props.SetInteger(nProp, nValue);
}

bool CSimCameraState::OrderCamera(ConnectionId nConn)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return false;
    m_nOrderedBy = nConn;
    return true;
}

bool CSimCameraState::ReleaseCamera(ConnectionId nConn)
{
    CSimLock lock(m_cs);
    if (nConn == 0 || m_nOrderedBy != nConn)
        return false;
    m_nOrderedBy = 0;
    return true;
}

HRESULT CSimCameraState::SetTable(ConnectionId nConn, ESimTable eTable, std::vector<LONG>&& vecValues)
{
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    (eTable == SIMTABLE_MEASURE ? m_vecMeasureTab : m_vecSearchTab).swap(vecValues);
    return S_OK;
}

std::vector<LONG> CSimCameraState::GetTable(ESimTable eTable)
{
    CSimLock lock(m_cs);
    return eTable == SIMTABLE_MEASURE ? m_vecMeasureTab : m_vecSearchTab;
}

HRESULT CSimCameraState::AllocPicture(ConnectionId nConn, LONG nPicture)
{
    if (nPicture < 0)
        return E_INVALIDARG;
    CSimLock lock(m_cs);
    if (IsAccessDenied(nConn))
        return E_ACCESSDENIED;
    m_setPictures.insert(nPicture);
    return S_OK;
}

bool CSimCameraState::IsPictureAllocated(LONG nPicture)
{
    CSimLock lock(m_cs);
    return m_setPictures.count(nPicture) != 0;
}

SSimPictureSettings CSimCameraState::GetPictureSettings()
{
    CSimLock lock(m_cs);
    SSimPictureSettings settings;
    settings.eState = m_eState;
    settings.nWidth = m_props.GetInteger(PICTUREWIDTH);
    settings.nHeight = m_props.GetInteger(PICTUREHEIGHT);
    settings.nLiveFormat = m_props.GetInteger(LIVEFORMAT);
    settings.nFrameRate = m_props.GetInteger(LIVEFRAMERATE);
    return settings;
}
