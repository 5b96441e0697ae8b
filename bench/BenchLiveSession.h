// BenchLiveSession.h: one client driving a live window against a camera server
// (the in-process test server or the simulator process), and the two things
// measured on it: the library's live picture thread, and a floor loop on one
// thread that makes the same server calls a pass makes (6 property reads and
// Get3DLivePicture) and composes with the floor's bare calls.
#pragma once

#include <KivoClient.h>

#include <string>

#include "BenchPicture.h"
#include "BenchWindow.h"

class CTestCameraScript;

class CBenchClient : public CKIVOClient
{
public:
    using CKIVOClient::GetICamera;
    CKIVOClientThread& Worker() { return m_Thread; }
};

struct CBenchLiveCase
{
    CBenchPicture picture;   // in-process: the picture served; simulator: its size and format
    EBenchOverlay eOverlay = BENCH_OVERLAY_NONE;
    CRect rcArea;
    bool bPending = false;      // in-process: every fetch answers E_PENDING without a picture
    int nSimFrameRate = 1000;   // simulator: LIVEFRAMERATE (1000: the server never makes the client wait)
};

// What one measured stretch of a loop did.
struct CBenchRate
{
    LONG nCount = 0;    // frames composed, or passes where fetches are counted
    double dMs = 0.0;   // from the first counted event to the last
    double dProcessCpuMs = -1.0;
    double dThreadCpuMs = -1.0;
    LONG nDelivered = -1;        // pictures the server delivered meanwhile; -1 unknown
    LONG nServerCalls = -1;      // simulator: calls of the connection meanwhile, the benchmark's own not counted
    LONG nPendingAnswers = -1;   // simulator: fetches answered E_PENDING meanwhile

    double GetPerSecond() const { return dMs > 0.0 ? nCount * 1000.0 / dMs : 0.0; }
    double GetProcessCpuPerCount() const { return nCount > 0 && dProcessCpuMs >= 0 ? dProcessCpuMs / nCount : -1.0; }
    double GetThreadCpuPerCount() const { return nCount > 0 && dThreadCpuMs >= 0 ? dThreadCpuMs / nCount : -1.0; }
};

// The parts of one pass, timed one by one on a thread attached to the client
// (microseconds per pass).
struct CBenchPassParts
{
    // Wall and thread CPU time per pass, in microseconds, of:
    double dRawCallsUs = 0.0, dRawCallsCpuUs = -1.0;         // the 6 property reads and the fetch, bare
    double dClientCallsUs = 0.0, dClientCallsCpuUs = -1.0;   // the same through the client, as a pass makes them
    double dWindowUs = 0.0, dWindowCpuUs = -1.0;             // GetClientRect, the overlay check, the stop test
};

class CBenchLiveSession
{
public:
    // pScript NULL: the simulator process, reached through COM activation.
    CBenchLiveSession(CBenchWindow& window, CTestCameraScript* pScript);
    ~CBenchLiveSession();

    bool Open(const CBenchLiveCase& liveCase, std::string& strError);
    void Close();
    CBenchClient& Client() { return m_client; }

    // Starts the live picture and waits for nFrames composed frames.
    bool StartLive(LONG nFrames, std::string& strError);
    // Stops it; pdMs gets how long Stop took.
    bool StopLive(double* pdMs, std::string& strError);
    // Waits (pumping messages) for n more frames of whatever loop runs.
    bool WaitForFrames(LONG n, double dTimeoutMs);

    // At least dMs and nMinCount frames (or passes) of the library's live
    // picture thread, between its start and stop.
    bool MeasureLibrary(double dMs, LONG nMinCount, CBenchRate& rate, std::string& strError);
    // The same of the floor loop on a thread of its own.
    bool MeasureFloor(double dMs, LONG nMinCount, CBenchRate& rate, std::string& strError);

    // Times the parts of nPasses passes while no live picture thread runs.
    bool ProbePass(int nPasses, CBenchPassParts& parts, std::string& strError);

private:
    bool Measure(double dMs, LONG nMinCount, HANDLE hThread, CBenchRate& rate, std::string& strError);
    LONG GetCount() const;
    LONG ReadDelivered();
    // A simulator's count of this connection (LIVECALLCOUNT, ...); -1 in-process.
    LONG ReadSimulatorCount(tagEMVP eCount);

    CBenchWindow& m_window;
    CTestCameraScript* m_pScript;
    CBenchClient m_client;
    CBenchLiveCase m_case;
    bool m_bOpen = false;
};

// Every Get3DLivePicture call the in-process server answered, and when the last came.
struct CBenchFetchMark
{
    LONG nFetches = 0;
    double dLastMs = 0.0;
};
CBenchFetchMark GetBenchFetchMark();
