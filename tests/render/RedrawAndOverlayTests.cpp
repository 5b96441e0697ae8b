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

    CKIVOClientMaskPaintDC& device = m_client.Worker().m_MaskPaintDC;
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
    AfxLockTempMaps();            // the idle-time handler's unlock, as MFC makes it
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
    other.Worker().m_hWnd = m_hWnd;
    other.Worker().m_bLiveDisplay = 1;
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
    const struct { const char* pszWhat; std::function<void()> fnDo; } aCases[] = {
        { "start", [&] { StartLive(); } },
        { "Stop(1) and Start(1)", [&] { m_client.Stop(1); m_client.Start(1); } },
        { "a new width", [&] { m_client.SetPropValueInt(LIVEWIDTH, WIDTH - 32); } },
        { "the old width again", [&] { m_client.SetPropValueInt(LIVEWIDTH, WIDTH); } },
    };
    s_pPaintingClient = &m_client;
    for (const auto& item : aCases)
    {
        item.fnDo();
        EXPECT_TRUE(WaitForFetches(3) && PumpUntil([&] { return OverlayShown(); })) << item.pszWhat;
    }
    m_client.Stop(0);
    s_pPaintingClient = nullptr;
    EraseWindow();
    ASSERT_EQ(RGB(0, 0, 0), WindowPixel(LEFT + 2, TOP + 2));
    EXPECT_EQ(0, m_client.RedrawClientWindow(nullptr, nullptr, 1));
    EXPECT_TRUE(OverlayShown());
}
