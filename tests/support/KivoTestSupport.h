// KivoTestSupport.h: helpers shared by the client library's tests. They call
// the library, which a test program links either as the DLL or as its
// objects, so they live here, in the header, compiled with the program.
#pragma once

#include <KivoClient.h>
#include <KivoHandle.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

class CTestCameraServer;

// The test server of the running test program (see KivoTestMain.cpp).
CTestCameraServer& TestServer();

// Opens the protected members of the client to the tests.
class CTestableClient : public CKIVOClient
{
public:
    using CKIVOClient::CheckConnection;
    using CKIVOClient::GetICamera;
    using CKIVOClient::GetICamera3;
    using CKIVOClient::HandleConnectionError;

    EInterface GetStoredInterface() const { return m_eInterface; }
    CKIVOClientThread& Worker() { return m_Thread; }
    int IsPolling() const { return m_bPollLivePictures; }
    int CountThreadEntries() const { return static_cast<int>(m_mapThreadInterfaces.GetCount()); }
    // The worker's copy of a live size dimension; -1 while it holds no value.
    int CachedLiveSize(tagEMVP eProp)
    {
        int nValue = -1;
        return m_Thread.GetCachedLiveSize(eProp, &nValue) ? nValue : -1;
    }
};

// The worker's frame store, back-pointer and thread id, which only the tests
// read from outside.
class CKIVOClientThreadTestAccess
{
public:
    static CKIVOFrameSet& Frames(CKIVOClientThread& worker) { return worker.m_Frames; }
    static CKIVOClient* Client(const CKIVOClientThread& worker) { return worker.m_pClient; }
    static DWORD ThreadId(const CKIVOClientThread& worker) { return worker.m_dwThreadId; }
};

// "<number> : CS ERROR : <text>" of an exception, read through GetErrorMessage.
inline std::wstring ErrorMessageOf(CKIVOClientException* pException)
{
    wchar_t szMessage[512] = {};
    pException->GetErrorMessage(szMessage, 512);
    return szMessage;
}

// Runs fn and checks that it throws CKIVOClientException* with the number and
// context text given; the exception is deleted.
inline ::testing::AssertionResult ThrowsKivoError(const std::function<void()>& fn, CEXC_CAMERA_NUM eNumber,
                                                  const std::wstring& strText)
{
    try
    {
        fn();
    }
    catch (CKIVOClientException* pException)
    {
        CEXC_CAMERA_NUM eGot = pException->GetErrorNumber();
        std::wstring strMessage = ErrorMessageOf(pException);
        pException->Delete();
        std::wstring strExpected = std::to_wstring(static_cast<int>(eNumber)) + L" : CS ERROR : " + strText;
        if (eGot == eNumber && strMessage == strExpected)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "got error " << eGot << " " << ::testing::PrintToString(strMessage)
                                             << ", expected " << ::testing::PrintToString(strExpected);
    }
    catch (CException* pException)
    {
        pException->Delete();
        return ::testing::AssertionFailure() << "threw another CException";
    }
    return ::testing::AssertionFailure() << "threw nothing";
}

// Dispatches the messages waiting for this thread.
inline void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

// Pumps this thread's messages until the condition holds; false after 30 s.
// Bounded by time, not by rounds: a window that keeps receiving messages wakes
// the wait at once, round after round.
inline bool PumpUntil(const std::function<bool()>& fnCondition)
{
    const DWORD dwStart = GetTickCount();
    while (GetTickCount() - dwStart < 30000)
    {
        if (fnCondition())
            return true;
        PumpMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    return fnCondition();
}

// A thread of its own that runs the tasks given to it one after another, so a
// test can keep an attached thread (and its apartment) across several steps.
// Exceptions of the library that a task does not catch fail the test.
class CTestWorker
{
public:
    CTestWorker()
        : m_hTask(CreateEventW(nullptr, FALSE, FALSE, nullptr))
        , m_hDone(CreateEventW(nullptr, FALSE, FALSE, nullptr))
    {
        m_hThread.Reset(CreateThread(nullptr, 0, ThreadProc, this, 0, &m_dwThreadId));
    }
    ~CTestWorker()
    {
        m_bQuit = true;
        SetEvent(m_hTask);
        WaitForSingleObject(m_hThread, INFINITE);
    }
    CTestWorker(const CTestWorker&) = delete;
    CTestWorker& operator=(const CTestWorker&) = delete;

    void Run(const std::function<void()>& fn)
    {
        m_pTask = &fn;
        m_strFailure.clear();
        SetEvent(m_hTask);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_hDone, 120000)) << "worker task hung";
        if (!m_strFailure.empty())
            ADD_FAILURE() << m_strFailure;
    }
    DWORD GetThreadId() const { return m_dwThreadId; }

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam)
    {
        CTestWorker* pThis = static_cast<CTestWorker*>(pParam);
        while (WaitForSingleObject(pThis->m_hTask, INFINITE) == WAIT_OBJECT_0 && !pThis->m_bQuit)
        {
            try
            {
                (*pThis->m_pTask)();
            }
            catch (CKIVOClientException* pException)
            {
                pThis->m_strFailure =
                    "uncaught exception on worker: " + ::testing::PrintToString(ErrorMessageOf(pException));
                pException->Delete();
            }
            catch (CException* pException)
            {
                pException->Delete();
                pThis->m_strFailure = "uncaught CException on worker";
            }
            SetEvent(pThis->m_hDone);
        }
        return 0;
    }

    CKIVOHandle m_hThread;
    DWORD m_dwThreadId = 0;
    CKIVOHandle m_hTask;
    CKIVOHandle m_hDone;
    const std::function<void()>* m_pTask = nullptr;
    std::string m_strFailure;
    bool m_bQuit = false;
};
