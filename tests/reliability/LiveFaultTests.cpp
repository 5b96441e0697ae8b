// The live picture thread against Stops and Starts from several threads at once.
#include "LiveTestFixture.h"
#include "TestWatchdog.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <thread>

namespace
{
using LiveFaults = LiveWindowTest;

// Live picture threads run above normal priority, and no other thread of this
// program does: they are counted that way, whatever the client's handles say.
int CountLiveThreads()
{
    int nLive = 0;
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bMore = Thread32First(hSnapshot, &entry); bMore; bMore = Thread32Next(hSnapshot, &entry))
    {
        HANDLE hThread = entry.th32OwnerProcessID == GetCurrentProcessId()
                             ? OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID)
                             : nullptr;
        nLive += hThread != nullptr && GetThreadPriority(hThread) == THREAD_PRIORITY_ABOVE_NORMAL ? 1 : 0;
        CloseHandle(hThread);   // a null handle is refused harmlessly
    }
    CloseHandle(hSnapshot);
    return nLive;
}
}

// Two Stops at once while a third thread keeps starting, round after round:
// each Stop waits for the thread it found and closes only what has ended, so
// a new thread starts only after the old one has gone, exactly the thread the
// client knows of runs, and a Stop ends it.
TEST_F(LiveFaults, TwoStopsWhileAThirdStartsLeaveOnlyTheThreadTheClientKnows)
{
    CTestWatchdog watchdog(240, "two stops while a third starts", 4);
    std::atomic<int> nRound(0), nStopped(0), nStarterDone(0), nMostAtOnce(0);
    std::atomic<bool> bQuit(false);
    std::vector<std::thread> threads;
    for (int k = 0; k < 3; ++k)
        threads.emplace_back([&, k] {
            m_client.ThreadAttach();
            for (int nSeen = 0;; ++nSeen)
            {
                watchdog.Step(k, "waiting");
                while (nRound <= nSeen && !bQuit)
                    Sleep(1);
                if (bQuit)
                    break;
                watchdog.Step(k, k < 2 ? "Stop(0)" : "Start(0) until both stops returned");
                if (k < 2)
                    m_client.Stop(0), ++nStopped;
                else
                {
                    while (nStopped < 2)
                        m_client.Start(0);
                    ++nStarterDone;
                }
            }
            m_client.ThreadDetach();
            watchdog.Step(k, "done");
        });
    std::thread monitor([&] {
        while (!bQuit)
            nMostAtOnce = (std::max)(nMostAtOnce.load(), CountLiveThreads());
    });
    ASSERT_NE(0, m_client.OrderCamera());
    for (int i = 1; i <= 30 && !HasFailure(); ++i)
    {
        watchdog.Step(3, "round");
        m_client.Start(0);
        nStopped = nStarterDone = 0;
        ++nRound;
        ASSERT_TRUE(PumpUntil([&] { return nStopped == 2 && nStarterDone == 1; }));
        EXPECT_EQ(m_client.Worker().IsThreadRunning() ? 1 : 0, CountLiveThreads()) << "round " << i;
        m_client.Stop(0);
        EXPECT_EQ(nullptr, m_client.Worker().GetThreadHandle());
        ASSERT_TRUE(PumpUntil([&] { return CountLiveThreads() == 0; })) << "round " << i;
    }
    bQuit = true;
    for (std::thread& thread : threads)
        thread.join();
    monitor.join();
    watchdog.Step(3, "done");
    EXPECT_EQ(1, nMostAtOnce.load()) << "live picture threads running at once";
}
