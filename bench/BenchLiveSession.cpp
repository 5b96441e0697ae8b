// BenchLiveSession.cpp: a live window session, the library's loop and the floor loop.
#include "BenchLiveSession.h"
#include "KivoWindowDC.h"
#include "BenchFloor.h"
#include "KivoCpuTime.h"
#include "KivoFrameCounter.h"
#include "BenchPlatform.h"
#include "TestCameraServer.h"
#include "KivoFrameSet.h"
#include "KivoComPtr.h"
#include "KivoHandle.h"
#include "KivoSafeArray.h"

#include <functional>

namespace
{
const double BENCH_FRAME_TIMEOUT_MS = 60000.0;

// The fetch counter of the in-process server, fed by its hook.
struct CBenchFetchState
{
    CBenchFetchState() { InitializeCriticalSection(&cs); }
    ~CBenchFetchState() { DeleteCriticalSection(&cs); }
    CRITICAL_SECTION cs;
    CBenchFetchMark mark;
};
CBenchFetchState s_fetches;

void CountFetch()
{
    const double dNow = BenchNowMs();
    EnterCriticalSection(&s_fetches.cs);
    ++s_fetches.mark.nFetches;
    s_fetches.mark.dLastMs = dNow;
    LeaveCriticalSection(&s_fetches.cs);
}

std::string MessageOf(CKIVOClientException* pException)
{
    wchar_t szMessage[256] = {};
    pException->GetErrorMessage(szMessage, 256);
    pException->Delete();
    char szNarrow[256] = {};
    WideCharToMultiByte(CP_UTF8, 0, szMessage, -1, szNarrow, sizeof(szNarrow), nullptr, nullptr);
    return szNarrow;
}

long WindowProp(HWND hWnd)
{
    return static_cast<long>(reinterpret_cast<INT_PTR>(hWnd));
}

// The server calls of one pass of the live picture loop, in its order: the
// client-drawn flag, then top, left, height and width (each of the last two
// reads only CONTROLFLAGS: the client keeps the size), and the key colour.
const tagEMVP s_passProps[] = { CONTROLFLAGS, LIVETOP, LIVELEFT, CONTROLFLAGS, CONTROLFLAGS, LIVECOLOR };

// A pass's server calls through bare interface pointers; the picture, if any,
// is left to the caller.
HRESULT MakePassCalls(IKIVOCamera* pCamera, IKIVOCamera3* pCamera3, SAFEARRAY** ppsa, ULONG& nWidth, ULONG& nHeight,
                      long& nBytesPerPixel)
{
    for (tagEMVP eProp : s_passProps)
    {
        VARIANT value;
        VariantInit(&value);
        pCamera->GetPropVariant(eProp, &value);
        VariantClear(&value);
    }
    long nFormat = 0;
    return pCamera3->Get3DLivePicture(ppsa, &nWidth, &nHeight, &nBytesPerPixel, &nFormat);
}

using CBenchTask = std::function<void(IKIVOCamera*, IKIVOCamera3*)>;

// The body of a thread attached to the client, as the live picture thread is:
// attaches, runs the task with both interfaces, gives the newest one back
// before it detaches. The error, empty when the task ran.
std::string RunAttachedTask(CBenchClient& client, const CBenchTask& fnTask)
{
    std::string strError;
    try
    {
        client.ThreadAttach();
        IKIVOCamera* pCamera = client.GetICamera();
        CKIVOComPtr<IKIVOCamera3> pCamera3;
        if (FAILED(Kivo::QueryInterfaceTo(pCamera, IID_IKIVOCamera3, pCamera3)))
            strError = "no IKIVOCamera3";
        else
            fnTask(pCamera, pCamera3.Get());
    }
    catch (CKIVOClientException* pException)
    {
        strError = MessageOf(pException);
    }
    try
    {
        client.ThreadDetach();
    }
    catch (CKIVOClientException* pException)
    {
        MessageOf(pException);
    }
    return strError;
}

// A thread attached to the client that runs one task.
class CBenchAttachedThread
{
public:
    static bool Run(CBenchClient& client, const CBenchTask& fnTask, std::string& strError)
    {
        CBenchAttachedThread thread(client, fnTask);
        CKIVOHandle hThread(CreateThread(nullptr, 0, ThreadProc, &thread, 0, nullptr));
        if (hThread.IsNull())
        {
            strError = "a thread could not start";
            return false;
        }
        PumpMessagesUntil([&] { return WaitForSingleObject(hThread, 0) == WAIT_OBJECT_0; }, 600000.0);
        strError = thread.m_strError;
        return strError.empty();
    }

private:
    CBenchAttachedThread(CBenchClient& client, const CBenchTask& fnTask)
        : m_client(client)
        , m_fnTask(fnTask)
    {
    }

    static DWORD WINAPI ThreadProc(LPVOID pParam)
    {
        CBenchAttachedThread* pThis = static_cast<CBenchAttachedThread*>(pParam);
        pThis->m_strError = RunAttachedTask(pThis->m_client, pThis->m_fnTask);
        return 0;
    }

    CBenchClient& m_client;
    const CBenchTask& m_fnTask;
    std::string m_strError;
};

// The floor loop: one thread, attached to the client like the live thread is,
// making a pass's server calls and composing with the floor's bare calls.
class CBenchFloorLoop
{
public:
    CBenchFloorLoop(CBenchClient& client, HWND hWnd, const CBenchLiveCase& liveCase)
        : m_client(client)
        , m_hWnd(hWnd)
        , m_case(liveCase)
        , m_hReady(Kivo::CreateManualResetEvent())
        , m_hStop(Kivo::CreateManualResetEvent())
    {
    }
    ~CBenchFloorLoop() { Stop(); }

    bool Start(std::string& strError)
    {
        m_hThread.Reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
        if (m_hThread.IsNull())
        {
            strError = "the floor thread could not start";
            return false;
        }
        SetThreadPriority(m_hThread, THREAD_PRIORITY_ABOVE_NORMAL);   // as the live thread runs
        WaitForSingleObject(m_hReady, 30000);
        if (!m_strError.empty())
        {
            strError = m_strError;
            return false;
        }
        return true;
    }
    void Stop()
    {
        if (m_hThread.IsNull())
            return;
        SetEvent(m_hStop);
        // The thread is a single-threaded apartment making calls: keep this one pumping.
        PumpMessagesUntil([&] { return WaitForSingleObject(m_hThread, 0) == WAIT_OBJECT_0; }, 120000.0);
        m_hThread.Reset();
    }
    HANDLE GetThread() const { return m_hThread; }

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam)
    {
        static_cast<CBenchFloorLoop*>(pParam)->Run();
        return 0;
    }

    void Run()
    {
        const std::string strError = RunAttachedTask(
            m_client, [this](IKIVOCamera* pCamera, IKIVOCamera3* pCamera3) { Loop(pCamera, pCamera3); });
        if (!strError.empty())
            m_strError = "floor thread: " + strError;
        SetEvent(m_hReady);
    }

    void Loop(IKIVOCamera* pCamera, IKIVOCamera3* pCamera3)
    {
        CBenchFloorMask mask;
        CBenchFloorComposer composer;
        const bool bOverlay = m_case.eOverlay == BENCH_OVERLAY_MIXED;
        bool bPrepared;
        {
            CKIVOWindowDC windowDC(m_hWnd);
            bPrepared =
                (!bOverlay
                 || mask.Create(windowDC.GetHdc(), m_case.rcArea.Width(), m_case.rcArea.Height(), m_case.eOverlay))
                && composer.Prepare(windowDC.GetHdc(), m_case.rcArea, bOverlay ? mask.Get() : nullptr,
                                    Kivo::ColorRefToArgb(BENCH_KEY));
        }
        if (!bPrepared)
        {
            m_strError = "the floor composition could not be prepared";
            return;
        }
        SetEvent(m_hReady);

        // Each pass also reads the window's client rectangle and tests a stop
        // event, as the live thread's pass does: in Wine both are wineserver
        // round trips.
        while (WaitForSingleObject(m_hStop, 0) == WAIT_TIMEOUT)
        {
            RECT rcClient;
            GetClientRect(m_hWnd, &rcClient);
            CKIVOSafeArrayHolder picture;
            ULONG nWidth = 0, nHeight = 0;
            long nBytesPerPixel = 0;
            const HRESULT hr = MakePassCalls(pCamera, pCamera3, picture.Receive(), nWidth, nHeight, nBytesPerPixel);
            if (SUCCEEDED(hr) && picture.Lock())
            {
                CKIVOWindowDC windowDC(m_hWnd);
                composer.Compose(windowDC.GetHdc(), picture.GetData(), static_cast<int>(nWidth),
                                 static_cast<int>(nHeight), static_cast<int>(nBytesPerPixel), nullptr);
            }
        }
    }

    CBenchClient& m_client;
    HWND m_hWnd;
    const CBenchLiveCase& m_case;
    CKIVOHandle m_hReady;
    CKIVOHandle m_hThread;
    CKIVOHandle m_hStop;
    std::string m_strError;
};
}

CBenchFetchMark GetBenchFetchMark()
{
    EnterCriticalSection(&s_fetches.cs);
    CBenchFetchMark mark = s_fetches.mark;
    LeaveCriticalSection(&s_fetches.cs);
    return mark;
}

CBenchLiveSession::CBenchLiveSession(CBenchWindow& window, CTestCameraScript* pScript)
    : m_window(window)
    , m_pScript(pScript)
{
}

CBenchLiveSession::~CBenchLiveSession()
{
    Close();
}

bool CBenchLiveSession::Open(const CBenchLiveCase& liveCase, std::string& strError)
{
    m_case = liveCase;
    const HWND hWnd = m_window.GetHwnd();
    const CRect& rc = liveCase.rcArea;
    try
    {
        if (m_pScript != nullptr)
        {
            CTestCameraScript& script = *m_pScript;
            script.Reset();
            script.SetIntProp(LIVEWINDOW, WindowProp(hWnd));
            script.SetIntProp(CONTROLFLAGS, KIVO_CLIENT_DRAWN_LIVE);
            script.SetIntProp(LIVELEFT, rc.left);
            script.SetIntProp(LIVETOP, rc.top);
            script.SetIntProp(LIVECOLOR, static_cast<long>(BENCH_KEY));
            CTestPicture picture;
            picture.bytes = liveCase.picture.bytes;
            picture.nWidth = static_cast<ULONG>(liveCase.picture.nWidth);
            picture.nHeight = static_cast<ULONG>(liveCase.picture.nHeight);
            picture.nBytesPerPixel = liveCase.picture.nBytesPerPixel;
            picture.nFormat = liveCase.picture.nFormat;
            script.SetLivePicture(picture, !liveCase.bPending);
            if (liveCase.bPending)
                script.SetResult("Get3DLivePicture", E_PENDING);
            script.SetHook("Get3DLivePicture", &CountFetch);
            m_client.Connect();
            m_bOpen = true;
        }
        else
        {
            m_client.Connect();
            m_bOpen = true;
            m_client.Open(1);
            m_client.Init();   // the library draws the live picture itself
            if (!m_client.OrderCamera())
            {
                strError = "the simulated camera is ordered by another client";
                return false;
            }
            m_client.SetPropValueInt(LIVEWINDOW, WindowProp(hWnd));
            m_client.SetPropValueInt(LIVELEFT, rc.left);
            m_client.SetPropValueInt(LIVETOP, rc.top);
            m_client.SetPropValueInt(LIVECOLOR, static_cast<int>(BENCH_KEY));
            m_client.SetPropValueInt(PICTUREWIDTH, liveCase.picture.nWidth);
            m_client.SetPropValueInt(PICTUREHEIGHT, liveCase.picture.nHeight);
            m_client.SetPropValueInt(LIVEFORMAT, liveCase.picture.nBytesPerPixel == 4 ? 0 : 1);
            m_client.SetPropValueInt(LIVEFRAMERATE, liveCase.nSimFrameRate);
        }
        m_client.SetPropValueInt(LIVEWIDTH, rc.Width());
        m_client.SetPropValueInt(LIVEHEIGHT, rc.Height());
        m_client.SetPropValueInt(LIVEDISPLAY, 1);
        if (m_pScript != nullptr && !m_client.OrderCamera())
        {
            strError = "the test server refused the camera order";
            return false;
        }
    }
    catch (CKIVOClientException* pException)
    {
        strError = "opening the session: " + MessageOf(pException);
        return false;
    }
    m_window.SetOverlay(&m_client, rc, liveCase.eOverlay);
    return true;
}

void CBenchLiveSession::Close()
{
    if (!m_bOpen)
        return;
    m_bOpen = false;
    m_window.ClearOverlay();
    try
    {
        m_client.Stop(0);
        m_client.ReleaseCamera();
        if (m_pScript == nullptr)
            m_client.Close(0);
    }
    catch (CKIVOClientException* pException)
    {
        MessageOf(pException);
    }
    m_client.Disconnect();
}

LONG CBenchLiveSession::GetCount() const
{
    return m_case.bPending ? GetBenchFetchMark().nFetches : CKIVOFrameCounter::GetMark().nFrames;
}

// The pictures the server delivered so far: the in-process server's fetches, or
// the simulator's count for this connection (LIVEFRAMECOUNT).
LONG CBenchLiveSession::ReadDelivered()
{
    if (m_pScript != nullptr)
        return GetBenchFetchMark().nFetches;
    try
    {
        return m_client.GetPropValueInt(LIVEFRAMECOUNT);
    }
    catch (CKIVOClientException* pException)
    {
        MessageOf(pException);
        return -1;
    }
}

LONG CBenchLiveSession::ReadSimulatorCount(tagEMVP eCount)
{
    if (m_pScript != nullptr)
        return -1;
    try
    {
        return m_client.GetPropValueInt(eCount);
    }
    catch (CKIVOClientException* pException)
    {
        MessageOf(pException);
        return -1;
    }
}

bool CBenchLiveSession::WaitForFrames(LONG n, double dTimeoutMs)
{
    const LONG nTarget = GetCount() + n;
    return PumpMessagesUntil([&] { return GetCount() >= nTarget; }, dTimeoutMs);
}

bool CBenchLiveSession::StartLive(LONG nFrames, std::string& strError)
{
    try
    {
        const LONG nTarget = GetCount() + nFrames;
        m_client.Start(0);
        if (!m_client.Worker().IsThreadRunning())
        {
            strError = "the live picture thread did not start";
            return false;
        }
        if (!PumpMessagesUntil([&] { return GetCount() >= nTarget; }, BENCH_FRAME_TIMEOUT_MS))
        {
            strError = "no live pictures reached the window";
            return false;
        }
    }
    catch (CKIVOClientException* pException)
    {
        strError = "Start: " + MessageOf(pException);
        return false;
    }
    return true;
}

bool CBenchLiveSession::StopLive(double* pdMs, std::string& strError)
{
    try
    {
        const double dStart = BenchNowMs();
        m_client.Stop(0);
        if (pdMs != nullptr)
            *pdMs = BenchNowMs() - dStart;
    }
    catch (CKIVOClientException* pException)
    {
        strError = "Stop: " + MessageOf(pException);
        return false;
    }
    return true;
}

bool CBenchLiveSession::Measure(double dMs, LONG nMinCount, HANDLE hThread, CBenchRate& rate, std::string& strError)
{
    struct CMark
    {
        LONG nCount;
        double dMs;
    };
    auto markNow = [&]() -> CMark {
        if (m_case.bPending)
        {
            CBenchFetchMark fetch = GetBenchFetchMark();
            return { fetch.nFetches, fetch.dLastMs };
        }
        CKIVOFrameMark frame = CKIVOFrameCounter::GetMark();
        return { frame.nFrames, frame.dLastMs };
    };
    // Both ends lie on a counted event, so the count and the time between agree.
    auto nextEvent = [&](CMark& mark) {
        const LONG nBefore = markNow().nCount;
        if (!PumpMessagesUntil([&] { return markNow().nCount != nBefore; }, BENCH_FRAME_TIMEOUT_MS))
            return false;
        mark = markNow();
        return true;
    };

    // The figures read at each end, right after its event.
    struct CEnd
    {
        CMark mark;
        double dProcessMs, dThreadMs;
        LONG nDelivered, nCalls, nPending;
    };
    auto readEnd = [&](CEnd& end) {
        if (!nextEvent(end.mark))
        {
            strError = "the loop stalled";
            return false;
        }
        end.dProcessMs = GetKivoProcessCpuMs(GetCurrentProcess());
        end.dThreadMs = GetKivoThreadCpuMs(hThread);
        // The call count first: it counts its own read, and the two reads after
        // it are the benchmark's too.
        end.nCalls = ReadSimulatorCount(LIVECALLCOUNT);
        end.nPending = ReadSimulatorCount(LIVEPENDINGCOUNT);
        end.nDelivered = ReadDelivered();
        return true;
    };

    CEnd first, last;
    if (!readEnd(first))
        return false;
    PumpMessagesUntil(
        [&] { return BenchNowMs() - first.mark.dMs >= dMs && markNow().nCount - first.mark.nCount >= nMinCount; },
        dMs + BENCH_FRAME_TIMEOUT_MS);
    if (!readEnd(last))
        return false;

    rate.nCount = last.mark.nCount - first.mark.nCount;
    rate.dMs = last.mark.dMs - first.mark.dMs;
    rate.dProcessCpuMs = first.dProcessMs >= 0 && last.dProcessMs >= 0 ? last.dProcessMs - first.dProcessMs : -1.0;
    rate.dThreadCpuMs = first.dThreadMs >= 0 && last.dThreadMs >= 0 ? last.dThreadMs - first.dThreadMs : -1.0;
    rate.nDelivered = first.nDelivered >= 0 && last.nDelivered > 0 ? last.nDelivered - first.nDelivered : -1;
    const LONG nOwnCalls = 3;   // the pending and delivered reads of the first end, the call count's of the last
    rate.nServerCalls = first.nCalls >= 0 && last.nCalls >= 0 ? last.nCalls - first.nCalls - nOwnCalls : -1;
    rate.nPendingAnswers = first.nPending >= 0 && last.nPending >= 0 ? last.nPending - first.nPending : -1;
    return true;
}

bool CBenchLiveSession::MeasureLibrary(double dMs, LONG nMinCount, CBenchRate& rate, std::string& strError)
{
    if (!StartLive(1, strError))
    {
        std::string strIgnored;
        StopLive(nullptr, strIgnored);
        return false;
    }
    const bool bMeasured = Measure(dMs, nMinCount, m_client.Worker().GetThreadHandle(), rate, strError);
    return StopLive(nullptr, strError) && bMeasured;
}

bool CBenchLiveSession::MeasureFloor(double dMs, LONG nMinCount, CBenchRate& rate, std::string& strError)
{
    bool bMeasured = false;
    try
    {
        // The server delivers while the camera runs; no live thread competes.
        m_client.EnablePollLivePictures(1);
        m_client.Start(0);
        {
            CBenchFloorLoop loop(m_client, m_window.GetHwnd(), m_case);
            if (loop.Start(strError))
                bMeasured = Measure(dMs, nMinCount, loop.GetThread(), rate, strError);
            loop.Stop();
        }
        m_client.Stop(0);
        m_client.EnablePollLivePictures(0);
    }
    catch (CKIVOClientException* pException)
    {
        m_client.EnablePollLivePictures(0);
        strError = "floor: " + MessageOf(pException);
        return false;
    }
    return bMeasured;
}

bool CBenchLiveSession::ProbePass(int nPasses, CBenchPassParts& parts, std::string& strError)
{
    const HWND hWnd = m_window.GetHwnd();
    CBenchClient& client = m_client;
    // Times nPasses rounds of one part on this thread: wall and thread CPU.
    auto timePart = [nPasses](const std::function<void()>& fnPart, double& dWallUs, double& dCpuUs) {
        const double dCpu0 = GetKivoThreadCpuMs(GetCurrentThread());
        const double dStart = BenchNowMs();
        for (int i = 0; i < nPasses; ++i)
            fnPart();
        dWallUs = (BenchNowMs() - dStart) * 1000.0 / nPasses;
        const double dCpu1 = GetKivoThreadCpuMs(GetCurrentThread());
        dCpuUs = dCpu0 >= 0 && dCpu1 >= 0 ? (dCpu1 - dCpu0) * 1000.0 / nPasses : -1.0;
    };
    auto probe = [&](IKIVOCamera* pCamera, IKIVOCamera3* pCamera3) {
        auto fetch = [&] {
            CKIVOSafeArrayHolder picture;
            ULONG nWidth = 0, nHeight = 0;
            long nBytesPerPixel = 0, nFormat = 0;
            pCamera3->Get3DLivePicture(picture.Receive(), &nWidth, &nHeight, &nBytesPerPixel, &nFormat);
        };
        timePart(
            [&] {
                CKIVOSafeArrayHolder picture;
                ULONG nWidth = 0, nHeight = 0;
                long nBytesPerPixel = 0;
                MakePassCalls(pCamera, pCamera3, picture.Receive(), nWidth, nHeight, nBytesPerPixel);
            },
            parts.dRawCallsUs, parts.dRawCallsCpuUs);
        timePart(
            [&] {
                client.GetPropValueInt(CONTROLFLAGS);
                client.GetPropValueInt(LIVETOP);
                client.GetPropValueInt(LIVELEFT);
                client.GetPropValueInt(LIVEHEIGHT);
                client.GetPropValueInt(LIVEWIDTH);
                client.GetPropValueInt(LIVECOLOR);
                fetch();
            },
            parts.dClientCallsUs, parts.dClientCallsCpuUs);
        CKIVOHandle hStop(Kivo::CreateManualResetEvent());
        timePart(
            [&] {
                RECT rcClient;
                GetClientRect(hWnd, &rcClient);
                int bHasKey = 0, bAllKey = 1;
                CKIVOWindowDC windowDC(hWnd);
                client.Worker().CopyMaskBitmap(windowDC.Get(), BENCH_KEY, &bHasKey,
                                               &bAllKey);   // the copy goes at once
                WaitForSingleObject(hStop, 0);
            },
            parts.dWindowUs, parts.dWindowCpuUs);
    };
    return CBenchAttachedThread::Run(client, probe, strError);
}
