// The live picture loop end to end: pictures and the overlay reach a real
// window, every end condition ends the thread, failures go where they belong.
#include "LiveTestFixture.h"

class LiveLoop : public LiveWindowTest
{
protected:
    // The ramp scaled twice: window column LEFT + 2k shows value 4k.
    bool ShowsRamp(int nRow)
    {
        for (int k : { 8, 24, 40, 56 })
        {
            COLORREF cr = WindowPixel(LEFT + 2 * k, nRow);
            if (abs(GetGValue(cr) - 4 * k) > 10 || GetRValue(cr) != GetBValue(cr))
                return false;
        }
        return true;
    }
    bool RampShown() { return ShowsRamp(TOP + 40); }
};

TEST_F(LiveLoop, LivePictureReachesTheWindowScaledIntoItsArea)
{
    StartLive();
    ASSERT_TRUE(WaitFor([&] { return RampShown(); }));
    EXPECT_EQ(RGB(0, 0, 0), WindowPixel(LEFT - 1, TOP + 40));
    EXPECT_EQ(RGB(0, 0, 0), WindowPixel(LEFT + WIDTH, TOP + 40));
    EXPECT_EQ(RGB(0, 0, 0), WindowPixel(LEFT + 40, TOP + HEIGHT));
    CKIVOClientThread& worker = m_client.Worker();
    EXPECT_EQ(WIDTH, worker.m_nLiveWidth);
    EXPECT_EQ(TOP, worker.m_nLiveTop);
    EXPECT_EQ(320, worker.m_rcLiveClient.right);
}

TEST_F(LiveLoop, StopStoresTheLastFramesAndTheNextRunAdoptsThem)
{
    StartLive();
    ASSERT_TRUE(WaitFor([&] { return RampShown(); }));
    m_client.Stop(0);
    CKIVOClientThread& worker = m_client.Worker();
    ASSERT_TRUE(worker.HasStoredPicture());
    EXPECT_EQ(0xFFFF00FFu, worker.m_Frames.dwKeyColor);

    m_client.Start(0);
    ASSERT_TRUE(WaitFor([&] { return !worker.HasStoredPicture(); }));   // taken by the new run
    m_client.Stop(1);   // discards what the run stored
    EXPECT_FALSE(worker.HasStoredPicture());
}

// However the thread ended by itself, a Start runs a new one that delivers
// pictures again.
TEST_F(LiveLoop, StartAfterTheThreadEndedByItselfStartsANewOne)
{
    const std::function<void(bool)> aEnds[] = {
        [&](bool bEnd) { Script().SetIntProp(CONTROLFLAGS, bEnd ? 0 : KIVO_CLIENT_DRAWN_LIVE); },
        [&](bool bEnd) { Script().SetPropResult(CONTROLFLAGS, bEnd ? E_FAIL : S_OK); },
    };
    StartLive();
    for (const auto& fnEnd : aEnds)
    {
        ASSERT_TRUE(WaitForFetches(2));
        fnEnd(true);
        ASSERT_TRUE(WaitFor([&] { return !m_client.Worker().IsThreadRunning(); }));
        fnEnd(false);
        const size_t nFetches = Script().CountCalls("Get3DLivePicture");
        m_client.Start(0);
        EXPECT_TRUE(m_client.Worker().IsThreadRunning());
        EXPECT_TRUE(WaitFor([&] { return Script().CountCalls("Get3DLivePicture") > nFetches + 2; }));
    }
    m_client.Stop(0);
    EXPECT_EQ(nullptr, m_client.Worker().m_hThread);
}

TEST_F(LiveLoop, FailedAreaReadSkipsThePassButFailedBitReadEndsTheThread)
{
    StartLive();
    Script().SetPropResult(LIVETOP, E_FAIL);
    ASSERT_TRUE(WaitFor([&] { return Script().CountCalls("GetPropVariant") > 200; }));
    EXPECT_TRUE(m_client.Worker().IsThreadRunning());
    Script().SetPropResult(LIVETOP, S_OK);
    Script().SetPropResult(CONTROLFLAGS, E_FAIL);
    ASSERT_TRUE(WaitFor([&] { return !m_client.Worker().IsThreadRunning(); }));
    EXPECT_FALSE(m_client.Worker().HasStoredPicture());   // nothing stored after a failed loop test
}

TEST_F(LiveLoop, SetUpFailureReleasesStartAndEndsTheThread)
{
    Script().SetPropResult(LIVECOLOR, E_FAIL);   // read once in the set-up
    ASSERT_NE(0, m_client.OrderCamera());
    m_client.Start(0);
    ASSERT_TRUE(WaitFor([&] { return !m_client.Worker().IsThreadRunning(); }));
    EXPECT_EQ(0u, Script().CountCalls("Get3DLivePicture"));
}

TEST_F(LiveLoop, LiveDisplayOffKeepsPollingWithoutPainting)
{
    StartLive();
    m_client.SetPropValueInt(LIVEDISPLAY, 0);
    size_t nFetches = Script().CountCalls("Get3DLivePicture");
    ASSERT_TRUE(WaitFor([&] { return Script().CountCalls("GetPropVariant") > 100; }));
    EXPECT_TRUE(m_client.Worker().IsThreadRunning());
    EXPECT_LE(Script().CountCalls("Get3DLivePicture"), nFetches + 1);
}

TEST_F(LiveLoop, PictureErrorsAreWrittenOnlyWithTheFrameRateSwitch)
{
    // The messages are written on the window DC's white text background: most
    // of their text's room turns white.
    const RECT rcText = { LEFT + 10, TOP + 50, LEFT + WIDTH, TOP + HEIGHT };
    const CSize sizeNoPicture = MeasureDefaultText(_T("NO PIC!"));
    const CSize sizeError = MeasureDefaultText(_T("ERROR!"));
    Script().SetResult("Get3DLivePicture", E_PENDING);
    StartLive();
    ASSERT_TRUE(WaitForFetches(20));
    EXPECT_EQ(0, CountPixels(rcText, RGB(255, 255, 255)));
    m_client.Stop(0);

    SetShowFPS(true);   // read when the thread starts
    m_client.Start(0);
    EXPECT_TRUE(WaitFor(
        [&] { return CountPixels(rcText, RGB(255, 255, 255)) > sizeNoPicture.cx * sizeNoPicture.cy / 2; }));
    m_client.Stop(0);

    Script().SetResult("Get3DLivePicture", S_OK);
    ServeGreyRamp(false);   // success without an array: "ERROR!"
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    ASSERT_EQ(0, CountPixels(rcText, RGB(255, 255, 255)));
    m_client.Start(0);
    EXPECT_TRUE(
        WaitFor([&] { return CountPixels(rcText, RGB(255, 255, 255)) > sizeError.cx * sizeError.cy / 2; }));
}

TEST_F(LiveLoop, FrameRateIsWrittenOverThePicture)
{
    SetShowFPS(true);
    StartLive();
    // Black text on the paint device's white text background, over a dark
    // ramp, in the room of the shortest read-out.
    const CSize sizeText = MeasureDefaultText(_T("0.0 fps"));
    const RECT rcText = { LEFT + 10, TOP + 10, LEFT + 10 + sizeText.cx, TOP + 10 + sizeText.cy };
    ASSERT_TRUE(WaitFor([&] { return CountPixels(rcText, RGB(255, 255, 255)) > sizeText.cx * sizeText.cy / 2; }));
    EXPECT_GT(CountPixels(rcText, RGB(0, 0, 0)), 0);
    EXPECT_TRUE(ShowsRamp(TOP + 10 + sizeText.cy + 4));
}
