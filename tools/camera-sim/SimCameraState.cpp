#include "SimCameraState.h"

CSimCameraState::CSimCameraState()
    : m_eState(SERVERSTATE_CLOSED)
    , m_eError(SIMERR_NONE)
    , m_nOrderedBy(0)
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

namespace
{
const int SIM_KEEP_STATE = -1;

// What a command does in one state: fail with an error number, or succeed and
// move to a state (or keep the one there is).
struct SSimTransition
{
    ESimError eError;
    int nNextState;
};

const SSimTransition SIM_STAY = { SIMERR_NONE, SIM_KEEP_STATE };
const SSimTransition SIM_TO_CLOSED = { SIMERR_NONE, SERVERSTATE_CLOSED };
const SSimTransition SIM_TO_OPENED = { SIMERR_NONE, SERVERSTATE_OPENED };
const SSimTransition SIM_TO_INITIALIZED = { SIMERR_NONE, SERVERSTATE_INITIALIZED };
const SSimTransition SIM_TO_STARTED = { SIMERR_NONE, SERVERSTATE_STARTED };
const SSimTransition SIM_TO_STOPPED = { SIMERR_NONE, SERVERSTATE_STOPPED };
const SSimTransition SIM_NOT_OPEN = { SIMERR_NOTOPEN, SIM_KEEP_STATE };
const SSimTransition SIM_NOT_INITIALIZED = { SIMERR_NOTINITIALIZED, SIM_KEEP_STATE };
const SSimTransition SIM_RUNNING = { SIMERR_RUNNING, SIM_KEEP_STATE };

const int SIM_STATE_COUNT = SERVERSTATE_ERROR + 1;

// One row per command, one column per state: closed, opened, initialized,
// started, stopped, error.
const SSimTransition g_transitions[SIMCMD_COUNT][SIM_STATE_COUNT] = {
    // SIMCMD_OPEN
    { SIM_TO_OPENED, SIM_STAY, SIM_STAY, SIM_STAY, SIM_STAY, SIM_STAY },
    // SIMCMD_CLOSE
    { SIM_TO_CLOSED, SIM_TO_CLOSED, SIM_TO_CLOSED, SIM_TO_CLOSED, SIM_TO_CLOSED, SIM_TO_CLOSED },
    // SIMCMD_INIT
    { SIM_NOT_OPEN, SIM_TO_INITIALIZED, SIM_TO_INITIALIZED, SIM_RUNNING, SIM_TO_INITIALIZED, SIM_TO_INITIALIZED },
    // SIMCMD_START
    { SIM_NOT_OPEN, SIM_NOT_INITIALIZED, SIM_TO_STARTED, SIM_TO_STARTED, SIM_TO_STARTED, SIM_NOT_INITIALIZED },
    // SIMCMD_STOP: stopping a camera that does not run changes nothing
    { SIM_STAY, SIM_STAY, SIM_STAY, SIM_TO_STOPPED, SIM_STAY, SIM_STAY },
    // SIMCMD_RESET: back to opened, the last error forgotten
    { SIM_NOT_OPEN, SIM_TO_OPENED, SIM_TO_OPENED, SIM_TO_OPENED, SIM_TO_OPENED, SIM_TO_OPENED },
    // SIMCMD_UPDATE: properties take effect when written; there is nothing to transfer
    { SIM_NOT_OPEN, SIM_STAY, SIM_STAY, SIM_STAY, SIM_STAY, SIM_STAY },
};
}

HRESULT CSimCameraState::RunCommand(ConnectionId nConn, ESimCommand eCommand)
{
    return RunOrdered(nConn, [&] {
        const int nState = m_eState >= 0 && m_eState < SIM_STATE_COUNT ? m_eState : SERVERSTATE_ERROR;
        const SSimTransition& transition = g_transitions[eCommand][nState];
        if (transition.eError != SIMERR_NONE)
            return Fail(transition.eError);
        if (transition.nNextState != SIM_KEEP_STATE)
            m_eState = static_cast<tagEServerState>(transition.nNextState);
        if (eCommand == SIMCMD_RESET)
            m_eError = SIMERR_NONE;
        return S_OK;
    });
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
    case SIMERR_NONE: return L"No error";
    case SIMERR_NOTOPEN: return L"Camera is not open";
    case SIMERR_NOTINITIALIZED: return L"Camera is not initialized";
    case SIMERR_RUNNING: return L"Camera is running";
    default: return L"Unknown error";
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
    return RunOrdered(nConn, [&] { return m_props.SetText(nProp, strValue); });
}

HRESULT CSimCameraState::SetPropInteger(ConnectionId nConn, LONG nProp, LONG nValue)
{
    return RunOrdered(nConn, [&] { return m_props.SetInteger(nProp, nValue); });
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
    return RunOrdered(nConn, [&] {
        (eTable == SIMTABLE_MEASURE ? m_vecMeasureTab : m_vecSearchTab).swap(vecValues);
        return S_OK;
    });
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
    return RunOrdered(nConn, [&] {
        m_setPictures.insert(nPicture);
        return S_OK;
    });
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
