// The live picture loop end to end: pictures, the frame rate and the picture
// messages reach a real window; the thread ends as it should.
#include "LiveTestFixture.h"

using LiveLoop = LiveWindowTest;

// At Stop the run leaves its last frames in the store; the next run adopts them.
TEST_F(LiveLoop, LivePictureReachesTheWindowScaledIntoItsAreaAndIsStoredAtStop)
{
    StartLive();
    ASSERT_TRUE(PumpUntil([&] { return RampShown(TOP + 40); }));
    for (POINT pt : { POINT{ LEFT - 1, TOP + 40 }, POINT{ LEFT + WIDTH, TOP + 40 }, POINT{ LEFT + 40, TOP - 1 },
                      POINT{ LEFT + 40, TOP + HEIGHT } })
        EXPECT_EQ(RGB(0, 0, 0), WindowPixel(pt.x, pt.y)) << pt.x << "," << pt.y;
    m_client.Stop(0);
    CKIVOClientThread& worker = m_client.Worker();
    ASSERT_TRUE(worker.HasStoredPicture());
    EXPECT_EQ(0xFFFF00FFu, CKIVOClientThreadTestAccess::Frames(worker).dwKeyColor);

    m_client.Start(0);
    ASSERT_TRUE(PumpUntil([&] { return !worker.HasStoredPicture(); }));   // taken by the new run
    m_client.Stop(1);                                                     // discards what the run stored
    EXPECT_FALSE(worker.HasStoredPicture());
}

// A server failure while the area is read skips the pass; one while the
// client-drawn bit is read ends the thread, and a Start runs a new one.
TEST_F(LiveLoop, FailedAreaReadSkipsThePassFailedBitReadEndsTheThread)
{
    StartLive();
    Script().SetPropResult(LIVETOP, E_FAIL);
    const size_t nReads = Script().CountCalls("GetPropVariant");
    ASSERT_TRUE(PumpUntil([&] { return Script().CountCalls("GetPropVariant") > nReads + 200; }));
    EXPECT_TRUE(m_client.Worker().IsThreadRunning());
    Script().SetPropResult(LIVETOP, S_OK);
    Script().SetPropResult(CONTROLFLAGS, E_FAIL);
    ASSERT_TRUE(PumpUntil([&] { return !m_client.Worker().IsThreadRunning(); }));
    EXPECT_FALSE(m_client.Worker().HasStoredPicture());   // nothing stored after a failed loop test

    Script().SetPropResult(CONTROLFLAGS, S_OK);
    m_client.Start(0);
    EXPECT_TRUE(m_client.Worker().IsThreadRunning());
    EXPECT_TRUE(WaitForFetches(3));
}

// A destroyed live window ends the thread as a lost connection does, and a
// Start naming it starts none.
TEST_F(LiveLoop, DestroyedLiveWindowEndsTheThreadAndStartsNone)
{
    HWND hOther = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr, nullptr, nullptr);
    Script().SetIntProp(LIVEWINDOW, static_cast<long>(reinterpret_cast<INT_PTR>(hOther)));
    StartLive();
    ASSERT_TRUE(WaitForFetches(2));
    DestroyWindow(hOther);
    ASSERT_TRUE(PumpUntil([&] { return !m_client.Worker().IsThreadRunning(); }));
    EXPECT_TRUE(m_client.Worker().HasStoredPicture());   // stored as at any end
    const size_t nStarts = Script().CountCalls("Start");
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.Start(0); }, CEXC_ACCESS_DENIED, L"Start"));
    EXPECT_FALSE(m_client.Worker().IsThreadRunning());
    EXPECT_EQ(nStarts, Script().CountCalls("Start"));
}

// The messages are written at (left + 10, top + 50) on the window DC's white
// text background; the frame rate in black on the paint device's white text
// background at (left + 10, top + 10), over the picture.
TEST_F(LiveLoop, PictureErrorsAreWrittenOnlyWithTheFrameRateSwitch)
{
    const COLORREF WHITE = RGB(255, 255, 255);
    Script().SetResult("Get3DLivePicture", E_PENDING);
    StartLive();
    ASSERT_TRUE(WaitForFetches(20));
    EXPECT_EQ(0, PercentIn(WHITE, LEFT + 10, TOP + 50, _T("NO PIC!")));
    m_client.Stop(0);

    SetShowFPS(true);
    m_client.Start(0);
    EXPECT_TRUE(PumpUntil([&] { return PercentIn(WHITE, LEFT + 10, TOP + 50, _T("NO PIC!")) > 50; }));
    m_client.Stop(0);

    Script().SetResult("Get3DLivePicture", S_OK);
    ServeGreyRamp(false);   // success without an array: "ERROR!"
    EraseWindow();
    ASSERT_EQ(0, PercentIn(WHITE, LEFT + 10, TOP + 50, _T("ERROR!")));
    m_client.Start(0);
    EXPECT_TRUE(PumpUntil([&] { return PercentIn(WHITE, LEFT + 10, TOP + 50, _T("ERROR!")) > 50; }));
}

TEST_F(LiveLoop, FrameRateIsWrittenOverThePicture)
{
    SetShowFPS(true);
    StartLive();
    ASSERT_TRUE(PumpUntil([&] { return PercentIn(RGB(255, 255, 255), LEFT + 10, TOP + 10, _T("0.0 fps")) > 50; }));
    EXPECT_GT(PercentIn(RGB(0, 0, 0), LEFT + 10, TOP + 10, _T("0.0 fps")), 0);
    EXPECT_TRUE(RampShown(TOP + 40));
}
