// KivoTestSupport.cpp: helpers shared by the client library's tests.
#include "KivoTestSupport.h"

std::wstring ErrorMessageOf(CKIVOClientException* pException)
{
    wchar_t szMessage[512] = {};
    pException->GetErrorMessage(szMessage, 512);
    return szMessage;
}

::testing::AssertionResult ThrowsKivoError(const std::function<void()>& fn,
                                           CEXC_CAMERA_NUM eNumber, const std::wstring& strText)
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
        return ::testing::AssertionFailure()
               << "got error " << eGot << " \"" << ::testing::PrintToString(strMessage)
               << "\", expected \"" << ::testing::PrintToString(strExpected) << "\"";
    }
    catch (CException* pException)
    {
        pException->Delete();
        return ::testing::AssertionFailure() << "threw another CException";
    }
    return ::testing::AssertionFailure() << "threw nothing";
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageW(&msg);
}

bool PumpUntil(const std::function<bool()>& fnCondition)
{
    // Bounded by time, not by rounds: a window that keeps receiving messages
    // wakes the wait at once, round after round.
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

CTestWorker::CTestWorker()
{
    m_hTask = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    m_hThread = CreateThread(nullptr, 0, ThreadProc, this, 0, &m_dwThreadId);
}

CTestWorker::~CTestWorker()
{
    m_bQuit = true;
    SetEvent(m_hTask);
    WaitForSingleObject(m_hThread, INFINITE);
    CloseHandle(m_hThread);
    CloseHandle(m_hTask);
    CloseHandle(m_hDone);
}

void CTestWorker::Run(const std::function<void()>& fn)
{
    m_pTask = &fn;
    m_strFailure.clear();
    SetEvent(m_hTask);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_hDone, 120000)) << "worker task hung";
    if (!m_strFailure.empty())
        ADD_FAILURE() << m_strFailure;
}

DWORD WINAPI CTestWorker::ThreadProc(LPVOID pParam)
{
    CTestWorker* pThis = static_cast<CTestWorker*>(pParam);
    for (;;)
    {
        WaitForSingleObject(pThis->m_hTask, INFINITE);
        if (pThis->m_bQuit)
            return 0;
        try
        {
            (*pThis->m_pTask)();
        }
        catch (CKIVOClientException* pException)
        {
            std::wstring strMessage = ErrorMessageOf(pException);
            pException->Delete();
            pThis->m_strFailure = "uncaught exception on worker: " + ::testing::PrintToString(strMessage);
        }
        catch (CException* pException)
        {
            pException->Delete();
            pThis->m_strFailure = "uncaught CException on worker";
        }
        SetEvent(pThis->m_hDone);
    }
}
