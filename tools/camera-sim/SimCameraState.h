// The one simulated camera of a server process: state, properties, order,
// last error, tables and allocated pictures, shared by all connections and
// guarded by one lock. Connections identify themselves by their number.
#pragma once

#include "SimLock.h"
#include "SimPropertyStore.h"

#include "KivoCamera.h"

#include <set>
#include <string>
#include <vector>

// Error numbers reported by GetError; a command failing with one of them
// returns SimErrorResult(number).
enum ESimError
{
    SIMERR_NONE = 0,
    SIMERR_NOTOPEN = 1,
    SIMERR_NOTINITIALIZED = 2,
    SIMERR_RUNNING = 3,
};

inline HRESULT SimErrorResult(ESimError eError)
{
    return MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + eError);
}

// The commands that move the camera between its states.
enum ESimCommand
{
    SIMCMD_OPEN,
    SIMCMD_CLOSE,
    SIMCMD_INIT,
    SIMCMD_START,
    SIMCMD_STOP,
    SIMCMD_RESET,
    SIMCMD_UPDATE,
    SIMCMD_COUNT
};

enum ESimTable
{
    SIMTABLE_MEASURE,
    SIMTABLE_SEARCH,
};

// What a picture is made from, read in one go so that no picture is built
// under the lock.
struct SSimPictureSettings
{
    tagEServerState eState;
    LONG nWidth;
    LONG nHeight;
    LONG nLiveFormat;
    LONG nFrameRate;
};

class CSimCameraState
{
public:
    using ConnectionId = ULONGLONG;   // 0 is no connection

    CSimCameraState();
    ~CSimCameraState();
    CSimCameraState(const CSimCameraState&) = delete;
    CSimCameraState& operator=(const CSimCameraState&) = delete;

    // State commands. They fail with E_ACCESSDENIED while another connection
    // holds the order and with SimErrorResult() in the wrong state.
    HRESULT RunCommand(ConnectionId nConn, ESimCommand eCommand);
    tagEServerState GetState();

    LONG GetError();
    std::wstring GetErrorText();
    void ClearError();
    static std::wstring GetErrorText(LONG nError);

    std::wstring GetPropText(LONG nProp);
    LONG GetPropInteger(LONG nProp);
    HRESULT SetPropText(ConnectionId nConn, LONG nProp, const std::wstring& strValue);
    HRESULT SetPropInteger(ConnectionId nConn, LONG nProp, LONG nValue);

    // True when the camera was free or already ordered by nConn.
    bool OrderCamera(ConnectionId nConn);
    // True when nConn held the order (which is then free).
    bool ReleaseCamera(ConnectionId nConn);

    HRESULT SetTable(ConnectionId nConn, ESimTable eTable, std::vector<LONG>&& vecValues);
    std::vector<LONG> GetTable(ESimTable eTable);

    HRESULT AllocPicture(ConnectionId nConn, LONG nPicture);
    bool IsPictureAllocated(LONG nPicture);

    SSimPictureSettings GetPictureSettings();

private:
    bool IsAccessDenied(ConnectionId nConn) const;
    // Runs a change under the lock, unless another connection holds the order.
    template <class TChange>
    HRESULT RunOrdered(ConnectionId nConn, TChange change)
    {
        CSimLock lock(m_cs);
        if (IsAccessDenied(nConn))
            return E_ACCESSDENIED;
        return change();
    }
    HRESULT Fail(ESimError eError);

    CRITICAL_SECTION m_cs;
    tagEServerState m_eState;
    ESimError m_eError;
    ConnectionId m_nOrderedBy;
    CSimPropertyStore m_props;
    std::vector<LONG> m_vecMeasureTab;
    std::vector<LONG> m_vecSearchTab;
    std::set<LONG> m_setPictures;
};
