// Handing out the overlay device, the overlay kept over the live picture, and
// repainting the last picture on demand.
#include "LiveTestFixture.h"
#include "RenderTestSupport.h"
#include "KivoWindowDC.h"

using Overlay = LiveWindowTest;

// The device is handed out locked: the live thread, which copies the overlay
// under the same lock, waits while the application draws.
TEST_F(Overlay, HandOutRulesAndTheLockHeldUntilRelease)
{
    CKIVOWindowDC windowDC(m_hWnd);
    CDC* pDC = windowDC.Get();
    ASSERT_NE(nullptr, pDC);
    CRect rect(LEFT, TOP, LEFT + WIDTH, TOP + HEIGHT);
    EXPECT_EQ(nullptr, m_client.GetMaskPaintDC(pDC, rect));   // no live picture thread yet
    EXPECT_FALSE(m_client.ReleaseMaskPaintDC());
    StartLive();
    m_client.SetPropValueInt(LIVEDISPLAY, 0);   // the thread takes no copies once its pass is over
    const size_t nReads = Script().CountCalls("GetPropVariant");
    ASSERT_TRUE(PumpUntil([&] { return Script().CountCalls("GetPropVariant") > nReads + 20; }));

    CKIVOClientMaskPaintDC& device = m_client.Worker().GetMaskPaintDevice();
    auto lockedElsewhere = [&] {
        bool bLocked = false;
        CTestWorker other;
        other.Run([&] {
            bLocked = !device.Lock(FALSE);
            if (!bLocked)
                device.UnLock();
        });
        return bLocked;
    };
    EXPECT_EQ(nullptr, m_client.GetMaskPaintDC(nullptr, rect));
    pDC->m_bPrinting = TRUE;
    EXPECT_EQ(nullptr, m_client.GetMaskPaintDC(pDC, rect));
    pDC->m_bPrinting = FALSE;
    EXPECT_FALSE(lockedElsewhere());
    for (int i = 0; i < 2; ++i)
    {
        EXPECT_EQ(&device, m_client.GetMaskPaintDC(pDC, rect));
        EXPECT_EQ(nullptr, m_client.GetMaskPaintDC(pDC, rect));   // not twice, not even to this thread
        EXPECT_TRUE(lockedElsewhere());
        EXPECT_TRUE(m_client.ReleaseMaskPaintDC());
        EXPECT_FALSE(m_client.ReleaseMaskPaintDC());
        EXPECT_FALSE(lockedElsewhere());
        EXPECT_TRUE(device.CanBlit(TRUE));   // a new overlay waits for the thread
    }
    m_client.Stop(0);
    EXPECT_EQ(nullptr, m_client.GetMaskPaintDC(pDC, rect));
}

// An application's message loop goes idle while it holds the overlay device,
// and MFC's idle-time handler deletes the thread's temporary objects (the last
// AfxUnlockTempMaps). Releasing the device afterwards must still give the
// device's DC its first bitmap back, never through a deleted temporary.
TEST_F(Overlay, HeldWhileTheApplicationGoesIdleThenReleased)
{
    HDC hFresh = CreateCompatibleDC(nullptr);
    ASSERT_NE(nullptr, hFresh);
    const HGDIOBJ hFirstBitmap = GetCurrentObject(hFresh, OBJ_BITMAP);   // every memory DC's first
    DeleteDC(hFresh);
    CKIVOWindowDC windowDC(m_hWnd);
    ASSERT_NE(nullptr, windowDC.Get());
    CRect rect(LEFT, TOP, LEFT + WIDTH, TOP + HEIGHT);
    StartLive();
    const size_t nReads = Script().CountCalls("GetPropVariant");
    ASSERT_TRUE(PumpUntil([&] { return Script().CountCalls("GetPropVariant") > nReads + 5; }));

    CKIVOClientMaskPaintDC* pDevice = m_client.GetMaskPaintDC(windowDC.Get(), rect);
    ASSERT_NE(nullptr, pDevice);
    pDevice->FillSolidRect(&rect, OVERLAY_COLOUR);
    PumpMessages();
    AfxLockTempMaps();   // the idle-time handler's unlock, as MFC makes it
    AfxUnlockTempMaps(TRUE);
    PumpMessages();
    EXPECT_TRUE(m_client.ReleaseMaskPaintDC());

    ASSERT_TRUE(pDevice->Lock(TRUE));   // the live thread blits under the same lock
    EXPECT_EQ(hFirstBitmap, GetCurrentObject(pDevice->m_hDC, OBJ_BITMAP));
    pDevice->UnLock();
    EXPECT_EQ(pDevice, m_client.GetMaskPaintDC(windowDC.Get(), rect));   // and handed out again
    EXPECT_TRUE(m_client.ReleaseMaskPaintDC());
}

namespace
{
class Redraw : public LiveWindowTest
{
protected:
    // A picture in the store, from a live run that was stopped; the window erased.
    void StorePicture()
    {
        StartLive();
        ASSERT_TRUE(PumpUntil([&] { return RampShown(TOP + 40); }));
        m_client.Stop(0);
        ASSERT_TRUE(m_client.Worker().HasStoredPicture());
        EraseWindow();
    }

    // Stops the live picture (the paint handler draws no more), erases the
    // window and repaints the stored picture into hWnd (null: the live window).
    ::testing::AssertionResult StopAndRepaintShowOverlay(HWND hWnd)
    {
        m_client.Stop(0);
        s_pPaintingClient = nullptr;
        EraseWindow();
        if (WindowPixel(LEFT + 2, TOP + 2) != RGB(0, 0, 0))
            return ::testing::AssertionFailure() << "the window was not erased";
        const int nResult = m_client.RedrawClientWindow(hWnd, nullptr, 1);
        if (nResult != 0)
            return ::testing::AssertionFailure() << "RedrawClientWindow answered " << nResult;
        return OverlayShown() ? ::testing::AssertionSuccess() : ::testing::AssertionFailure() << "no overlay";
    }
};
}

TEST_F(Redraw, RefusedOrNothingPainted)
{
    EXPECT_EQ(-2, m_client.RedrawClientWindow(nullptr, nullptr, 1));   // no picture yet
    StorePicture();
    m_client.EnablePollLivePictures(1);
    EXPECT_EQ(-2, m_client.RedrawClientWindow(m_hWnd, nullptr, 1));
    m_client.EnablePollLivePictures(0);
    HWND hOther = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(-1, m_client.RedrawClientWindow(hOther, nullptr, 1));
    DestroyWindow(hOther);
    m_client.SetPropValueInt(LIVEDISPLAY, 0);
    EXPECT_EQ(-1, m_client.RedrawClientWindow(nullptr, nullptr, 1));
    EXPECT_FALSE(GreyAt(LEFT + 60, TOP + 40));

    // A client never connected, with a picture, the window and the display on.
    CTestableClient other;
    CKIVOFrameSet frames;
    ASSERT_TRUE(MakeFrame(GreyRamp(4, 4, 64), 4, 4, 1, 1, frames.picture));
    ASSERT_TRUE(other.Worker().StoreFrames(frames));
    other.Worker().SetLiveWindow(m_hWnd);
    other.Worker().SetLiveDisplay(1);
    EXPECT_EQ(-2, other.RedrawClientWindow(m_hWnd, nullptr, 1));

    // A running thread, even with a picture in the store.
    m_client.SetPropValueInt(LIVEDISPLAY, 1);
    m_client.Start(0);
    ASSERT_TRUE(PumpUntil([&] { return !m_client.Worker().HasStoredPicture(); }));   // taken by the run
    ASSERT_TRUE(MakeFrame(GreyRamp(4, 4, 64), 4, 4, 1, 1, frames.picture));
    ASSERT_TRUE(m_client.Worker().StoreFrames(frames));
    EXPECT_EQ(-2, m_client.RedrawClientWindow(m_hWnd, nullptr, 1));
}

TEST_F(Redraw, RepaintShowsTheLastPictureInItsAreaFittedToTheWindow)
{
    StorePicture();
    ASSERT_FALSE(GreyAt(LEFT + 60, TOP + 40));
    EXPECT_EQ(0, m_client.RedrawClientWindow(nullptr, nullptr, 1));
    EXPECT_TRUE(RampShown(TOP + 40));
    EXPECT_FALSE(GreyAt(LEFT + WIDTH + 2, TOP + 40));
    EraseWindow();
    m_client.Update();   // the server's update repaints as well
    EXPECT_TRUE(RampShown(TOP + 40));

    // A 640 x 480 area in a 640 x 480 window grown to 840 x 580: 773 x 580.
    CKIVOClientThread& worker = m_client.Worker();
    SetWindowPos(m_hWnd, nullptr, 0, 0, 640, 480, SWP_NOZORDER | SWP_NOMOVE);
    worker.RememberLiveArea(m_hWnd, 0, 0, 640, 480);
    SetWindowPos(m_hWnd, nullptr, 0, 0, 840, 580, SWP_NOZORDER | SWP_NOMOVE);
    EraseWindow();
    EXPECT_EQ(0, m_client.RedrawClientWindow(nullptr, nullptr, 1));
    EXPECT_TRUE(GreyAt(770, 300));
    EXPECT_FALSE(GreyAt(775, 300));
    EXPECT_TRUE(GreyAt(400, 578));

    // The window as when the area was remembered: the area as it is, drawn
    // straight into the caller's DC.
    SetWindowPos(m_hWnd, nullptr, 0, 0, 640, 480, SWP_NOZORDER | SWP_NOMOVE);
    worker.RememberLiveArea(m_hWnd, 0, 0, 320, 240);
    EraseWindow();
    {
        CKIVOWindowDC windowDC(m_hWnd);
        EXPECT_EQ(0, m_client.RedrawClientWindow(m_hWnd, windowDC.Get(), 0));
    }
    EXPECT_TRUE(GreyAt(318, 200));
    EXPECT_FALSE(GreyAt(322, 200));

    // No area: the whole client rectangle.
    worker.ForgetLiveArea();
    EraseWindow();
    EXPECT_EQ(0, m_client.RedrawClientWindow(nullptr, nullptr, 1));
    EXPECT_TRUE(GreyAt(600, 450));
}

// The live picture with the application's overlay handler, which draws the
// overlay whenever the window is painted: whenever the live thread holds no
// overlay copy and the application drew no new one, it asks the window to
// repaint, so the overlay comes back. The last copy is repainted with the
// last picture.
TEST_F(Redraw, OverlayComesBackAfterFramesAreDiscardedOrTheSizeChanges)
{
    // clang-format off
    const struct { const char* pszWhat; std::function<void()> fnDo; } aCases[] = {
        { "start", [&] { StartLive(); } },
        { "Stop(1) and Start(1)", [&] { m_client.Stop(1); m_client.Start(1); } },
        { "a new width", [&] { m_client.SetPropValueInt(LIVEWIDTH, WIDTH - 32); } },
        { "the old width again", [&] { m_client.SetPropValueInt(LIVEWIDTH, WIDTH); } },
    };
    // clang-format on
    s_pPaintingClient = &m_client;
    for (const auto& item : aCases)
    {
        item.fnDo();
        EXPECT_TRUE(WaitForFetches(3) && PumpUntil([&] { return OverlayShown(); })) << item.pszWhat;
    }
    EXPECT_TRUE(StopAndRepaintShowOverlay(nullptr));
}

// The application's paint handler draws the overlay into whatever window it
// paints, in a colour of that window's own; a live window that is replaced
// gets its overlay as the first one did: after the first one was destroyed
// (its thread ended by itself) and when Start names another window while the
// thread runs. The stored picture is repainted with the overlay that was last
// on screen.
TEST_F(Redraw, OverlayFollowsEveryNewLiveWindow)
{
    const HWND hFixtureWindow = m_hWnd;
    COLORREF crNext = RGB(0, 255, 255);
    auto fnNewWindow = [&] {
        HWND hWnd = CreateWindowExW(0, L"KivoLiveTestWindow", L"live", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr,
                                    nullptr, nullptr, nullptr);
        SetOverlayColourOf(hWnd, crNext);
        crNext = RGB(0, GetGValue(crNext) - 64, 255);
        return hWnd;
    };
    auto fnNameLiveWindow = [&](HWND hWnd) {
        m_hWnd = hWnd;   // the fixture's pixel reads look at this window from now on
        Script().SetIntProp(LIVEWINDOW, static_cast<long>(reinterpret_cast<INT_PTR>(hWnd)));
    };
    s_pPaintingClient = &m_client;
    HWND hFirst = fnNewWindow();
    ASSERT_NE(nullptr, hFirst);
    fnNameLiveWindow(hFirst);
    StartLive();
    EXPECT_TRUE(WaitForFetches(3) && PumpUntil([&] { return OverlayShown(); })) << "first window";

    DestroyWindow(hFirst);
    ASSERT_TRUE(PumpUntil([&] { return !m_client.Worker().IsThreadRunning(); }));
    HWND hSecond = fnNewWindow(), hThird = fnNewWindow();
    ASSERT_TRUE(hSecond != nullptr && hThird != nullptr);
    fnNameLiveWindow(hSecond);
    m_client.Start(0);
    EXPECT_TRUE(WaitForFetches(3) && PumpUntil([&] { return OverlayShown(); })) << "after the first was destroyed";

    fnNameLiveWindow(hThird);
    m_client.Start(0);   // the running thread paints into the window named now
    EXPECT_TRUE(WaitForFetches(3) && PumpUntil([&] { return OverlayShown(); })) << "named while running";

    EXPECT_TRUE(StopAndRepaintShowOverlay(hThird));

    m_hWnd = hFixtureWindow;
    DestroyWindow(hSecond);
    DestroyWindow(hThird);
}

// An overlay copy taken while no picture comes has never been on screen: the
// picture stored at Stop keeps the overlay it was shown with.
TEST_F(Redraw, StoredPictureKeepsTheOverlayItWasShownWith)
{
    s_pPaintingClient = &m_client;
    StartLive();
    ASSERT_TRUE(WaitForFetches(3) && PumpUntil([&] { return OverlayShown(); }));
    s_pPaintingClient = nullptr;
    ServeGreyRamp(false);
    ASSERT_TRUE(WaitForFetches(2));

    // The application clears its overlay: the copy of that is taken, but no
    // picture is composed with it.
    CKIVOClientMaskPaintDC& device = m_client.Worker().GetMaskPaintDevice();
    {
        CKIVOWindowDC windowDC(m_hWnd);
        CRect rect(0, 0, 320, 240);
        CKIVOClientMaskPaintDC* pMask = m_client.GetMaskPaintDC(windowDC.Get(), rect);
        ASSERT_NE(nullptr, pMask);
        pMask->FillSolidRect(&rect, LIVE_KEY);
        ASSERT_TRUE(m_client.ReleaseMaskPaintDC());
    }
    ASSERT_TRUE(PumpUntil([&] {
        device.Lock(TRUE);
        const bool bCopied = !device.CanBlit(TRUE);
        device.UnLock();
        return bCopied;
    }));
    ASSERT_TRUE(WaitForFetches(1));   // the pass that took the copy is over
    EXPECT_TRUE(StopAndRepaintShowOverlay(nullptr));
}
