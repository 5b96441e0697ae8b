// The live picture thread when steps of a pass fail: it goes on where it
// should, the window keeps its last picture, and Stop returns.
#include "../live/LiveTestFixture.h"
#include "TestWatchdog.h"

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>

namespace
{
class LiveFaults : public LiveWindowTest
{
protected:
    bool PictureShown() { return GetGValue(WindowPixel(LEFT + 100, TOP + 40)) > 150; }
    void ShowFirstPicture()
    {
        s_bPaintOverlay = true;
        StartLive();
        ASSERT_TRUE(WaitFor([&] { return PictureShown(); }));
    }
    // The window keeps its picture while n more passes fail, and the thread runs on.
    void ExpectPictureKeptOverFailingPasses(size_t nPasses)
    {
        ASSERT_TRUE(WaitForFetches(nPasses));
        EXPECT_TRUE(PictureShown());
        EXPECT_TRUE(m_client.Worker().IsThreadRunning());
    }
};
}

TEST_F(LiveFaults, FailingFetchKeepsTheLastPicture)
{
    ShowFirstPicture();
    Script().SetResult("Get3DLivePicture", E_FAIL);
    ExpectPictureKeptOverFailingPasses(10);
    Script().SetResult("Get3DLivePicture", static_cast<HRESULT>(0x800706BE));
    ExpectPictureKeptOverFailingPasses(10);
}

TEST_F(LiveFaults, PicturesThatCannotBeRightAreSkipped)
{
    ShowFirstPicture();
    CTestPicture picture;
    picture.bytes.assign(100, 0);
    picture.nBytesPerPixel = 1;
    picture.nFormat = 1;
    const ULONG anSizes[][2] = { { 64, 48 },            // more pixels than bytes
                                 { 0x10000, 0x10000 },  // beyond 32 bits
                                 { 0, 10 } };
    for (const auto& size : anSizes)
    {
        picture.nWidth = size[0];
        picture.nHeight = size[1];
        Script().SetLivePicture(picture);
        ExpectPictureKeptOverFailingPasses(5);
    }
    picture.nWidth = 10;
    picture.nHeight = 10;
    picture.nBytesPerPixel = 4;   // colour said, grey format
    Script().SetLivePicture(picture);
    ExpectPictureKeptOverFailingPasses(5);
    Script().SetArrayShape(VT_I4, 2, 3);   // another shape altogether
    ExpectPictureKeptOverFailingPasses(5);
}

TEST_F(LiveFaults, StopFromTheThreadHoldingTheOverlayReturns)
{
    ShowFirstPicture();
    CKIVOWindowDC windowDC(m_hWnd);
    ASSERT_NE(nullptr, windowDC.Get());
    CRect rect(LEFT, TOP, LEFT + WIDTH, TOP + HEIGHT);
    ASSERT_NE(nullptr, m_client.GetMaskPaintDC(windowDC.Get(), rect));
    // Soon the live thread waits for the device: its fetches stop.
    size_t nLast = Script().CountCalls("Get3DLivePicture");
    ASSERT_TRUE(WaitFor([&] {
        Sleep(100);
        size_t nNow = Script().CountCalls("Get3DLivePicture");
        bool bStill = nNow == nLast;
        nLast = nNow;
        return bStill;
    }));
    m_client.Stop(0);   // gives the device back first instead of waiting for ever
    EXPECT_FALSE(m_client.Worker().IsThreadRunning());
    EXPECT_FALSE(m_client.ReleaseMaskPaintDC());
}

// Each run stores its frames as it ends while another thread clears the store
// (Open(1)): every frame is freed once, by its one holder; the heap-checked
// run reports any second free.
TEST_F(LiveFaults, FramesClearedWhileRunsEndAreFreedOnce)
{
    StartLive();
    ASSERT_TRUE(WaitForFetches(2));
    CTestWatchdog watchdog(180, "runs ending against Open(1)", 2);
    std::atomic<bool> bQuit(false);
    std::thread clearer([&] {
        m_client.ThreadAttach();
        while (!bQuit)
        {
            watchdog.Step(1, "Open(1)");
            m_client.Open(1);
        }
        m_client.ThreadDetach();
        watchdog.Step(1, "done");
    });
    std::mt19937 random(17);
    for (int i = 0; i < 60; ++i)
    {
        watchdog.Step(0, "Start(0)");
        m_client.Start(0);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5 + random() % 40, QS_ALLINPUT);
        PumpMessages();
        watchdog.Step(0, "Stop(0)");
        m_client.Stop(0);
    }
    bQuit = true;
    clearer.join();
    watchdog.Step(0, "done");
    m_client.Start(0);
    EXPECT_TRUE(WaitForFetches(3));
}

namespace
{
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
        if (entry.th32OwnerProcessID != GetCurrentProcessId())
            continue;
        HANDLE hThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
        if (hThread == nullptr)
            continue;
        nLive += GetThreadPriority(hThread) == THREAD_PRIORITY_ABOVE_NORMAL ? 1 : 0;
        CloseHandle(hThread);
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
    HANDLE hGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> nRound(0), nStopped(0), nStarterDone(0);
    std::atomic<bool> bQuit(false);
    std::vector<std::thread> threads;
    for (int k = 0; k < 3; ++k)
        threads.emplace_back([&, k] {
            m_client.ThreadAttach();
            for (int nSeen = 0;; ++nSeen)
            {
                watchdog.Step(k, "waiting");
                while (nRound <= nSeen && !bQuit)
                    WaitForSingleObject(hGo, 10);
                if (bQuit)
                    break;
                if (k < 2)
                {
                    watchdog.Step(k, "Stop(0)");
                    m_client.Stop(0);
                    ++nStopped;
                    continue;
                }
                watchdog.Step(k, "Start(0) until both stops returned");
                while (nStopped < 2)
                {
                    m_client.Start(0);
                    Sleep(0);
                }
                ++nStarterDone;
            }
            m_client.ThreadDetach();
            watchdog.Step(k, "done");
        });
    std::atomic<int> nMostAtOnce(0);
    std::thread monitor([&] {
        while (!bQuit)
            nMostAtOnce = (std::max)(nMostAtOnce.load(), CountLiveThreads());
    });
    ASSERT_NE(0, m_client.OrderCamera());
    for (int i = 1; i <= 30 && !HasFailure(); ++i)
    {
        watchdog.Step(3, "Start(0)");
        m_client.Start(0);
        nStopped = 0;
        nStarterDone = 0;
        ResetEvent(hGo);
        ++nRound;
        SetEvent(hGo);
        watchdog.Step(3, "waiting for the round");
        ASSERT_TRUE(WaitFor([&] { return nStopped == 2 && nStarterDone == 1; }));
        const int nKnown = m_client.Worker().IsThreadRunning() ? 1 : 0;
        EXPECT_EQ(nKnown, CountLiveThreads()) << "round " << i;
        watchdog.Step(3, "Stop(0)");
        m_client.Stop(0);
        EXPECT_EQ(nullptr, m_client.Worker().m_hThread);
        ASSERT_TRUE(WaitFor([&] { return CountLiveThreads() == 0; })) << "round " << i;
    }
    bQuit = true;
    for (std::thread& thread : threads)
        thread.join();
    monitor.join();
    CloseHandle(hGo);
    watchdog.Step(3, "done");
    EXPECT_EQ(1, nMostAtOnce.load()) << "live picture threads running at once";
}
