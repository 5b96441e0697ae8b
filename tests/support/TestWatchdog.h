// TestWatchdog.h: turns a hang into a failure. Threads report the step they
// are at; when the watchdog is not disarmed in time it prints every thread's
// last step and ends the process with exit code 3.
#pragma once

#include <windows.h>

#include "KivoHandle.h"

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

class CTestWatchdog
{
public:
    CTestWatchdog(DWORD dwSeconds, const char* pszWhat, size_t nSlots)
        : m_strWhat(pszWhat)
        , m_steps(nSlots)
    {
        for (auto& step : m_steps)
            step = "not started";
        m_dwMilliseconds = dwSeconds * 1000;
        m_hDisarm.Reset(Kivo::CreateManualResetEvent());
        m_hThread.Reset(CreateThread(nullptr, 0, WatchProc, this, 0, nullptr));
    }
    ~CTestWatchdog()
    {
        SetEvent(m_hDisarm);
        WaitForSingleObject(m_hThread, INFINITE);
    }

    // Records, for the thread in this slot, the step it is entering.
    void Step(size_t nSlot, const char* pszStep) { m_steps[nSlot] = pszStep; }

private:
    static DWORD WINAPI WatchProc(LPVOID pParam)
    {
        CTestWatchdog* pThis = static_cast<CTestWatchdog*>(pParam);
        if (WaitForSingleObject(pThis->m_hDisarm, pThis->m_dwMilliseconds) == WAIT_OBJECT_0)
            return 0;
        fprintf(stderr, "watchdog: %s hung; last steps:\n", pThis->m_strWhat.c_str());
        for (size_t i = 0; i < pThis->m_steps.size(); ++i)
            fprintf(stderr, "  thread %zu: %s\n", i, pThis->m_steps[i].load());
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
        return 0;
    }

    std::string m_strWhat;
    std::vector<std::atomic<const char*>> m_steps;
    DWORD m_dwMilliseconds;
    CKIVOHandle m_hDisarm;
    CKIVOHandle m_hThread;
};
