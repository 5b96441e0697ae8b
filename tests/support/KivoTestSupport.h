// KivoTestSupport.h: helpers shared by the client library's tests.
#pragma once

#include <KivoClient.h>
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

// "<number> : CS ERROR : <text>" of an exception, read through GetErrorMessage.
std::wstring ErrorMessageOf(CKIVOClientException* pException);

// Runs fn and checks that it throws CKIVOClientException* with the number and
// context text given; the exception is deleted.
::testing::AssertionResult ThrowsKivoError(const std::function<void()>& fn,
                                           CEXC_CAMERA_NUM eNumber, const std::wstring& strText);

// Dispatches the messages waiting for this thread.
void PumpMessages();

// Pumps this thread's messages until the condition holds; false after 30 s.
bool PumpUntil(const std::function<bool()>& fnCondition);

// A thread of its own that runs the tasks given to it one after another, so a
// test can keep an attached thread (and its apartment) across several steps.
// Exceptions of the library that a task does not catch fail the test.
class CTestWorker
{
public:
    CTestWorker();
    ~CTestWorker();

    void Run(const std::function<void()>& fn);
    DWORD GetThreadId() const { return m_dwThreadId; }

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam);

    HANDLE m_hThread = nullptr;
    DWORD m_dwThreadId = 0;
    HANDLE m_hTask = nullptr;
    HANDLE m_hDone = nullptr;
    const std::function<void()>* m_pTask = nullptr;
    std::string m_strFailure;
    bool m_bQuit = false;
};
