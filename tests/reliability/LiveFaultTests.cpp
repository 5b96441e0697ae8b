// The live picture thread when steps of a pass fail: it goes on where it
// should, the window keeps its last picture, and Stop returns.
#include "../live/LiveTestFixture.h"
#include "TestWatchdog.h"

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

// Start and Stop from several threads at once: every Stop waits for the thread
// it found, none on a handle that another has closed, and afterwards the
// handles are gone and a Start runs a thread that delivers pictures.
TEST_F(LiveFaults, StartAndStopFromSeveralThreadsAtOnce)
{
    StartLive();
    const int THREADS = 3;
    CTestWatchdog watchdog(180, "start and stop from several threads", THREADS);
    std::atomic<int> nDone(0);
    std::vector<std::thread> threads;
    for (int k = 0; k < THREADS; ++k)
        threads.emplace_back([&, k] {
            std::mt19937 random(k + 1);
            m_client.ThreadAttach();
            for (int i = 0; i < 40; ++i)
            {
                const bool bStart = (random() % 2) == 0;
                watchdog.Step(k, bStart ? "Start(0)" : "Stop(0)");
                if (bStart)
                    m_client.Start(0);
                else
                    m_client.Stop(0);
                Sleep(random() % 15);
            }
            m_client.ThreadDetach();
            watchdog.Step(k, "done");
            ++nDone;
        });
    ASSERT_TRUE(WaitFor([&] { return nDone == THREADS; }));
    for (std::thread& thread : threads)
        thread.join();

    m_client.Stop(0);
    EXPECT_EQ(nullptr, m_client.Worker().m_hThread);
    EXPECT_EQ(nullptr, m_client.Worker().m_hStopEvent);
    EXPECT_EQ(nullptr, m_client.Worker().m_hStartedEvent);
    const size_t nFetches = Script().CountCalls("Get3DLivePicture");
    m_client.Start(0);
    EXPECT_TRUE(m_client.Worker().IsThreadRunning());
    EXPECT_TRUE(WaitFor([&] { return Script().CountCalls("Get3DLivePicture") > nFetches + 2; }));
}
