// The server process: registers the class object, counts connections and
// server locks, watches announced client processes and decides when to end.
//
// The server ends a short delay after the last live connection and lock went
// (so that a client reconnecting at once finds it still running, as COM
// servers commonly do), or when nothing was activated within the idle time
// after start.
// A connection stops being live when it is released or when the process it
// was announced for (RegisterClientProcess/OpenForProcess) has ended; the
// camera order of such a connection is released at once.
#pragma once

#include "SimCameraState.h"
#include "SimClassFactory.h"
#include "SimLock.h"

#include "KivoComPtr.h"
#include "KivoHandle.h"

#include <oaidl.h>
#include <map>
#include <string>

class CSimServer
{
public:
    using ConnectionId = CSimCameraState::ConnectionId;

    explicit CSimServer(const wchar_t* pszModulePath);
    ~CSimServer();
    CSimServer(const CSimServer&) = delete;
    CSimServer& operator=(const CSimServer&) = delete;

    // The server of this process while Run is active.
    static CSimServer* GetInstance();

    // Initialises COM (multithreaded apartment) and serves until the server is
    // no longer needed; gives the exit code of the process.
    int Run();

    CSimCameraState& GetCamera() { return m_camera; }
    // Type information of IKIVOCamera3 for IDispatch; null when unavailable.
    ITypeInfo* GetTypeInfo() const { return m_pTypeInfo.Get(); }

    // A new connection object; CO_E_SERVER_STOPPING once the server has
    // decided to end.
    HRESULT AddConnection(ConnectionId& nConn);
    void RemoveConnection(ConnectionId nConn);
    // Ties the connection to a client process; E_INVALIDARG when that process
    // does not exist.
    HRESULT AnnounceClient(ConnectionId nConn, DWORD dwProcessId);
    void LockServer(bool bLock);

    // Time after start within which a first activation must come.
    static const DWORD m_nIdleTimeoutMs = 60000;
    // Time the server stays after its last connection went.
    static const DWORD m_nShutdownDelayMs = 1000;

private:
    struct SConnection
    {
        DWORD dwProcessId;   // 0 when not announced
        bool bOrphaned;      // its process has ended
    };

    int RunInApartment();
    void LoadTypeInfo();
    void CheckClientProcesses();
    bool IsNeeded() const;
    bool HasLiveConnections() const;
    void ForgetClientProcess(DWORD dwProcessId);

    std::wstring m_strModulePath;
    CRITICAL_SECTION m_cs;
    CSimCameraState m_camera;
    CSimClassFactory m_factory;
    CKIVOComPtr<ITypeInfo> m_pTypeInfo;
    ULONGLONG m_nStartTick;
    ULONGLONG m_nLastActivityTick;   // when a connection or lock last went
    ConnectionId m_nLastConnection;
    LONG m_nLocks;
    bool m_bActivated;
    bool m_bStopping;
    std::map<ConnectionId, SConnection> m_mapConnections;
    std::map<DWORD, CKIVOHandle> m_mapClientProcesses;   // announced and running
};
