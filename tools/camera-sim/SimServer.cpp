#include "SimServer.h"

#include "SimMessages.h"

#include "KivoComInit.h"
#include <utility>

namespace
{
CSimServer* g_pServer = nullptr;

// How often the server looks at its connections and announced client processes.
const DWORD g_nPollIntervalMs = 250;
}

CSimServer::CSimServer(const wchar_t* pszModulePath)
    : m_strModulePath(pszModulePath)
    , m_nStartTick(GetTickCount64())
    , m_nLastActivityTick(m_nStartTick)
    , m_nLastConnection(0)
    , m_nLocks(0)
    , m_bActivated(false)
    , m_bStopping(false)
{
    InitializeCriticalSection(&m_cs);
}

CSimServer::~CSimServer()
{
    DeleteCriticalSection(&m_cs);
}

CSimServer* CSimServer::GetInstance()
{
    return g_pServer;
}

int CSimServer::Run()
{
    const int nResult = RunInApartment();
    g_pServer = nullptr;
    return nResult;
}

int CSimServer::RunInApartment()
{
    CKIVOComInit com(COINIT_MULTITHREADED);
    HRESULT hr = com.GetResult();
    if (FAILED(hr))
    {
        ShowSimMessage(SIMMSG_ERROR, L"cannot initialise COM: " + FormatSimResult(hr));
        return 1;
    }
    LoadTypeInfo();
    g_pServer = this;

    DWORD dwCookie = 0;
    hr = CoRegisterClassObject(CLSID_KIVOCamera, &m_factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &dwCookie);
    if (FAILED(hr))
    {
        ShowSimMessage(SIMMSG_ERROR, L"cannot register the class object: " + FormatSimResult(hr));
    }
    else
    {
        for (;;)
        {
            Sleep(g_nPollIntervalMs);
            CheckClientProcesses();
            CSimLock lock(m_cs);
            if (!IsNeeded())
            {
                // Decided under the lock that AddConnection takes: an activation
                // racing with the end either came first and keeps the server,
                // or it gets CO_E_SERVER_STOPPING (activate again: a new
                // server starts), never a connection to a server that is gone.
                m_bStopping = true;
                break;
            }
        }
        // Always revoke: a registration left behind breaks later activations.
        CoRevokeClassObject(dwCookie);
    }

    {
        // No connection is made from here on, also when registering failed.
        CSimLock lock(m_cs);
        m_bStopping = true;
    }
    // Ending the apartment (com, on return) disconnects what crashed clients
    // left behind; their connections still refer to this object while they
    // go, so the instance is forgotten only after it.
    return FAILED(hr) ? 1 : 0;
}

void CSimServer::LoadTypeInfo()
{
    // IDispatch is served from the type library embedded in this program.
    CKIVOComPtr<ITypeLib> pTypeLib;
    HRESULT hr = LoadTypeLibEx(m_strModulePath.c_str(), REGKIND_NONE, pTypeLib.ReceiveTyped());
    if (SUCCEEDED(hr))
        hr = pTypeLib->GetTypeInfoOfGuid(IID_IKIVOCamera3, m_pTypeInfo.ReceiveTyped());
    if (FAILED(hr))
        ShowSimMessage(SIMMSG_ERROR,
                       L"embedded type library not usable, IDispatch is unavailable: " + FormatSimResult(hr));
}

bool CSimServer::IsNeeded() const
{
    if (m_nLocks > 0 || HasLiveConnections())
        return true;
    const ULONGLONG nNow = GetTickCount64();
    if (m_bActivated)
        return nNow - m_nLastActivityTick < m_nShutdownDelayMs;
    return nNow - m_nStartTick < m_nIdleTimeoutMs;
}

bool CSimServer::HasLiveConnections() const
{
    for (const auto& conn : m_mapConnections)
    {
        if (!conn.second.bOrphaned)
            return true;
    }
    return false;
}

HRESULT CSimServer::AddConnection(ConnectionId& nConn)
{
    nConn = 0;
    CSimLock lock(m_cs);
    if (m_bStopping)
        return CO_E_SERVER_STOPPING;
    nConn = ++m_nLastConnection;
    m_mapConnections[nConn] = SConnection{ 0, false };
    m_bActivated = true;
    return S_OK;
}

void CSimServer::RemoveConnection(ConnectionId nConn)
{
    m_camera.ReleaseCamera(nConn);
    CSimLock lock(m_cs);
    auto it = m_mapConnections.find(nConn);
    if (it == m_mapConnections.end())
        return;
    const DWORD dwProcessId = it->second.dwProcessId;
    m_mapConnections.erase(it);
    ForgetClientProcess(dwProcessId);
    m_nLastActivityTick = GetTickCount64();
}

HRESULT CSimServer::AnnounceClient(ConnectionId nConn, DWORD dwProcessId)
{
    if (dwProcessId == 0)
        return E_INVALIDARG;
    // SYNCHRONIZE is all that is needed to see the process end.
    CKIVOHandle process(OpenProcess(SYNCHRONIZE, FALSE, dwProcessId));
    if (process.IsNull() || WaitForSingleObject(process.Get(), 0) == WAIT_OBJECT_0)
        return E_INVALIDARG;

    CSimLock lock(m_cs);
    auto it = m_mapConnections.find(nConn);
    if (it == m_mapConnections.end())
        return E_UNEXPECTED;
    // Looked up first: the handle moves into the map only when kept.
    if (m_mapClientProcesses.count(dwProcessId) == 0)
    {
        // cppcheck-suppress stlFindInsert
        m_mapClientProcesses.emplace(dwProcessId, std::move(process));
    }
    const DWORD dwPrevious = it->second.dwProcessId;
    it->second.dwProcessId = dwProcessId;
    if (dwPrevious != dwProcessId)
        ForgetClientProcess(dwPrevious);
    return S_OK;
}

void CSimServer::ForgetClientProcess(DWORD dwProcessId)
{
    // Called under m_cs: the handle goes when no connection refers to it.
    if (dwProcessId == 0)
        return;
    for (const auto& conn : m_mapConnections)
    {
        if (conn.second.dwProcessId == dwProcessId && !conn.second.bOrphaned)
            return;
    }
    auto it = m_mapClientProcesses.find(dwProcessId);
    if (it != m_mapClientProcesses.end())
        m_mapClientProcesses.erase(it);   // closes the handle
}

void CSimServer::CheckClientProcesses()
{
    CSimLock lock(m_cs);
    for (auto it = m_mapClientProcesses.begin(); it != m_mapClientProcesses.end();)
    {
        if (WaitForSingleObject(it->second, 0) != WAIT_OBJECT_0)
        {
            ++it;
            continue;
        }
        // The process ended without releasing its connections (it crashed or
        // was killed): they no longer keep the server or the camera order.
        for (auto& conn : m_mapConnections)
        {
            if (conn.second.dwProcessId == it->first && !conn.second.bOrphaned)
            {
                conn.second.bOrphaned = true;
                m_camera.ReleaseCamera(conn.first);
                m_nLastActivityTick = GetTickCount64();
            }
        }
        it = m_mapClientProcesses.erase(it);   // closes the handle
    }
}

void CSimServer::LockServer(bool bLock)
{
    CSimLock lock(m_cs);
    if (bLock)
    {
        ++m_nLocks;
        m_bActivated = true;
    }
    else if (m_nLocks > 0)
    {
        --m_nLocks;
        m_nLastActivityTick = GetTickCount64();
    }
}
