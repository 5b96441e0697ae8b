// Handing out the overlay device, and repainting the last picture on demand.
#include "LiveTestFixture.h"

namespace
{
class Overlay : public LiveWindowTest
{
protected:
    void SetUp() override
    {
        LiveWindowTest::SetUp();
        m_hDC = GetDC(m_hWnd);
        m_dc.Attach(m_hDC);
    }
    void TearDown() override
    {
        m_client.ReleaseMaskPaintDC();
        m_dc.Detach();
        ReleaseDC(m_hWnd, m_hDC);
        LiveWindowTest::TearDown();
    }
    HDC m_hDC = nullptr;
    CDC m_dc;
    CRect m_rect{ LEFT, TOP, LEFT + WIDTH, TOP + HEIGHT };
};

class Redraw : public LiveWindowTest
{
protected:
    // A picture in the store, taken from a live run that was stopped.
    void StorePicture()
    {
        StartLive();
        ASSERT_TRUE(WaitFor([&] { return m_client.Worker().m_nLiveWidth == WIDTH; }));
        ASSERT_TRUE(WaitForFetches(3));
        m_client.Stop(0);
        ASSERT_TRUE(m_client.Worker().HasStoredPicture());
        EraseWindow();
    }
    void EraseWindow()
    {
        RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
    bool GreyAt(int x, int y)
    {
        COLORREF cr = WindowPixel(x, y);
        return cr != RGB(0, 0, 0) && GetRValue(cr) == GetGValue(cr) && GetGValue(cr) == GetBValue(cr);
    }
};
}

TEST_F(Overlay, HandOutRules)
{
    EXPECT_EQ(nullptr, m_client.GetMaskPaintDC(&m_dc, m_rect));   // no live picture thread yet
    EXPECT_FALSE(m_client.ReleaseMaskPaintDC());
    StartLive();
    m_client.SetPropValueInt(LIVEDISPLAY, 0);   // the thread takes no copies meanwhile

    EXPECT_EQ(nullptr, m_client.GetMaskPaintDC(nullptr, m_rect));
    CKIVOClientMaskPaintDC* pFirst = m_client.GetMaskPaintDC(&m_dc, m_rect);
    ASSERT_NE(nullptr, pFirst);
    EXPECT_EQ(&m_client.Worker().m_MaskPaintDC, pFirst);
    EXPECT_EQ(pFirst, static_cast<CKIVOClientMaskPaintDC*>(*pFirst));
    EXPECT_EQ(nullptr, m_client.GetMaskPaintDC(&m_dc, m_rect));   // not twice, not even here
    EXPECT_TRUE(m_client.ReleaseMaskPaintDC());
    EXPECT_FALSE(m_client.ReleaseMaskPaintDC());
    EXPECT_TRUE(pFirst->CanBlit(TRUE));   // a new overlay waits for the thread

    CKIVOClientMaskPaintDC* pSecond = m_client.GetMaskPaintDC(&m_dc, m_rect);
    EXPECT_EQ(pFirst, pSecond);
    EXPECT_TRUE(m_client.ReleaseMaskPaintDC());

    m_client.Stop(0);
    EXPECT_EQ(nullptr, m_client.GetMaskPaintDC(&m_dc, m_rect));
}

TEST_F(Overlay, PrintingDCIsRefusedAndLeavesTheDeviceUnlocked)
{
    StartLive();
    CDC printer;
    printer.Attach(m_hDC);
    printer.m_bPrinting = TRUE;
    EXPECT_EQ(nullptr, m_client.GetMaskPaintDC(&printer, m_rect));
    printer.Detach();
    CTestWorker worker;
    worker.Run([&] {
        EXPECT_TRUE(m_client.Worker().m_MaskPaintDC.Lock(FALSE));
        m_client.Worker().m_MaskPaintDC.UnLock();
    });
    EXPECT_FALSE(m_client.ReleaseMaskPaintDC());
}

TEST_F(Overlay, SameSizeHandOutsDrawIntoTheSameBitmap)
{
    StartLive();
    m_client.SetPropValueInt(LIVEDISPLAY, 0);
    CKIVOClientMaskPaintDC* pMask = m_client.GetMaskPaintDC(&m_dc, m_rect);
    ASSERT_NE(nullptr, pMask);
    pMask->FillSolidRect(&m_rect, RGB(0, 0, 200));
    HBITMAP hBitmap = pMask->GetHBITMAP();
    m_client.ReleaseMaskPaintDC();

    CRect moved(0, 0, WIDTH, HEIGHT);
    pMask = m_client.GetMaskPaintDC(&m_dc, moved);
    ASSERT_NE(nullptr, pMask);
    EXPECT_EQ(hBitmap, pMask->GetHBITMAP());
    pMask->FillSolidRect(0, 0, 4, 4, RGB(200, 0, 0));
    EXPECT_EQ(RGB(0, 0, 200), pMask->GetPixel(10, 10));   // the first overlay is still there
    EXPECT_EQ(RGB(200, 0, 0), pMask->GetPixel(1, 1));
    m_client.ReleaseMaskPaintDC();
}

TEST_F(Redraw, RefusedWhileRunningPollingOrWithoutPicture)
{
    EXPECT_EQ(-2, m_client.RedrawClientWindow(nullptr, nullptr, 1));   // no picture yet
    StartLive();
    EXPECT_EQ(-2, m_client.RedrawClientWindow(m_hWnd, nullptr, 1));
    m_client.Stop(0);
    ASSERT_TRUE(m_client.Worker().HasStoredPicture());
    m_client.EnablePollLivePictures(1);
    EXPECT_EQ(-2, m_client.RedrawClientWindow(m_hWnd, nullptr, 1));
    m_client.EnablePollLivePictures(0);
}

TEST_F(Redraw, UnconnectedClientIsRefusedNotThrown)
{
    CTestableClient other;   // never connected, but with a picture, a window and the display on
    CKIVOClientThread& worker = other.Worker();
    std::vector<BYTE> bytes(16, 0x80);
    int nWidth = 4, nHeight = 4, nBytes = 1, nFormat = 1;
    CKIVOFrameSet frames;
    frames.picture = CKIVOClientThread::CreatePictureBitmap(bytes.data(), 16, &nWidth, &nHeight, &nBytes, &nFormat);
    ASSERT_TRUE(worker.StoreFrames(frames));
    worker.m_hWnd = m_hWnd;
    worker.m_bLiveDisplay = 1;
    EXPECT_EQ(-2, other.RedrawClientWindow(m_hWnd, nullptr, 1));
    EXPECT_FALSE(GreyAt(100, 100));
}

TEST_F(Redraw, OtherWindowOrDisplayOffPaintsNothing)
{
    StorePicture();
    HWND hOther = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(-1, m_client.RedrawClientWindow(hOther, nullptr, 1));
    DestroyWindow(hOther);
    m_client.SetPropValueInt(LIVEDISPLAY, 0);
    EXPECT_EQ(-1, m_client.RedrawClientWindow(nullptr, nullptr, 1));
    EXPECT_FALSE(GreyAt(LEFT + 60, TOP + 40));
}

TEST_F(Redraw, RepaintShowsTheLastPictureBufferedOrNot)
{
    StorePicture();
    ASSERT_FALSE(GreyAt(LEFT + 60, TOP + 40));
    EXPECT_EQ(0, m_client.RedrawClientWindow(nullptr, nullptr, 1));
    EXPECT_TRUE(GreyAt(LEFT + 60, TOP + 40));
    EXPECT_FALSE(GreyAt(LEFT + WIDTH + 2, TOP + 40));

    EraseWindow();
    {
        CKIVOWindowDC windowDC(m_hWnd);
        ASSERT_NE(nullptr, windowDC.Get());
        EXPECT_EQ(0, m_client.RedrawClientWindow(m_hWnd, windowDC.Get(), 0));
    }
    EXPECT_TRUE(GreyAt(LEFT + 60, TOP + 40));

    EraseWindow();
    m_client.Update();   // the server's update repaints as well
    EXPECT_TRUE(GreyAt(LEFT + 60, TOP + 40));
}

TEST_F(Redraw, AreaFollowsTheWindowKeepingItsAspect)
{
    StorePicture();
    CKIVOClientThread& worker = m_client.Worker();
    // The worked example: a 640 x 480 area in a 640 x 480 window grown to 840 x 580.
    worker.m_nLiveLeft = 0;
    worker.m_nLiveTop = 0;
    worker.m_nLiveWidth = 640;
    worker.m_nLiveHeight = 480;
    SetRect(&worker.m_rcLiveClient, 0, 0, 640, 480);
    SetWindowPos(m_hWnd, nullptr, 0, 0, 840, 580, SWP_NOZORDER | SWP_NOMOVE);
    EraseWindow();
    EXPECT_EQ(0, m_client.RedrawClientWindow(nullptr, nullptr, 1));
    EXPECT_TRUE(GreyAt(770, 300));
    EXPECT_FALSE(GreyAt(775, 300));
    EXPECT_TRUE(GreyAt(400, 578));

    // Client rectangle as stored: the stored area as it is.
    SetWindowPos(m_hWnd, nullptr, 0, 0, 640, 480, SWP_NOZORDER | SWP_NOMOVE);
    worker.m_nLiveWidth = 320;
    worker.m_nLiveHeight = 240;
    EraseWindow();
    EXPECT_EQ(0, m_client.RedrawClientWindow(nullptr, nullptr, 0));
    EXPECT_TRUE(GreyAt(318, 200));
    EXPECT_FALSE(GreyAt(322, 200));

    // No stored area: the whole client rectangle.
    worker.m_nLiveWidth = 0;
    EraseWindow();
    EXPECT_EQ(0, m_client.RedrawClientWindow(nullptr, nullptr, 1));
    EXPECT_TRUE(GreyAt(600, 450));
}

namespace
{
// The live picture with the application's overlay handler, as the guide
// draws it: the overlay is drawn whenever the window is painted.
class OverlayKept : public LiveWindowTest
{
protected:
    void SetUp() override
    {
        LiveWindowTest::SetUp();
        s_bPaintOverlay = true;
    }
    void TearDown() override
    {
        if (m_hOther != nullptr)
            DestroyWindow(m_hOther);
        LiveWindowTest::TearDown();
    }
    // After n more pictures were painted, the overlay is on the picture.
    bool OverlayShownAfterPictures(HWND hWnd = nullptr)
    {
        return WaitForFetches(3) && WaitFor([&] { return OverlayShown(hWnd); });
    }
    HWND CreateOtherLiveWindow()
    {
        m_hOther = CreateWindowExW(0, L"KivoLiveTestWindow", L"other", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240,
                                   nullptr, nullptr, nullptr, nullptr);
        return m_hOther;
    }
    HWND m_hOther = nullptr;
};
}

// Whenever the live thread holds no overlay copy and the application drew no
// new one, it asks the window to repaint, so the overlay comes back.
TEST_F(OverlayKept, OverlayComesBackAfterFramesAreDiscardedOrTheSizeChanges)
{
    const struct
    {
        const char* pszWhat;
        std::function<void()> fnDo;
    } aCases[] = {
        { "Stop(1) and Start(1)", [&] { m_client.Stop(1); m_client.Start(1); } },
        { "a new width", [&] { m_client.SetPropValueInt(LIVEWIDTH, WIDTH - 32); } },
        { "the old width again", [&] { m_client.SetPropValueInt(LIVEWIDTH, WIDTH); } },
        { "a new height and back",
          [&] {
              m_client.SetPropValueInt(LIVEHEIGHT, HEIGHT - 16);
              WaitForFetches(3);
              m_client.SetPropValueInt(LIVEHEIGHT, HEIGHT);
          } },
    };
    StartLive();
    ASSERT_TRUE(OverlayShownAfterPictures());
    for (const auto& item : aCases)
    {
        item.fnDo();
        EXPECT_TRUE(OverlayShownAfterPictures()) << item.pszWhat;
    }
}

// Start naming another live window while the thread runs is no new size: the
// overlay copy stays, is stored at Stop and repainted with the picture.
TEST_F(OverlayKept, AnotherLiveWindowKeepsTheOverlayCopyForTheRepaint)
{
    StartLive();
    ASSERT_TRUE(OverlayShownAfterPictures());
    HWND hOther = CreateOtherLiveWindow();
    ASSERT_NE(nullptr, hOther);
    ASSERT_TRUE(WaitFor([&] { return !GetUpdateRect(hOther, nullptr, FALSE); }));   // its own paint is done
    Script().SetIntProp(LIVEWINDOW, static_cast<long>(reinterpret_cast<INT_PTR>(hOther)));
    m_client.Start(0);
    ASSERT_TRUE(WaitFor([&] { return m_client.Worker().m_nLiveWidth == WIDTH; }));
    ASSERT_TRUE(OverlayShownAfterPictures(hOther));
    m_client.Stop(0);

    RedrawWindow(hOther, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    ASSERT_EQ(RGB(0, 0, 0), WindowPixel(LEFT + 2, TOP + 2, hOther));
    EXPECT_EQ(0, m_client.RedrawClientWindow(hOther, nullptr, 1));
    EXPECT_TRUE(OverlayShown(hOther));
}

// A destroyed live window ends the thread as a lost connection does, and a
// Start naming it starts none.
TEST_F(OverlayKept, DestroyedLiveWindowEndsTheThreadAndStartsNone)
{
    HWND hOther = CreateOtherLiveWindow();
    ASSERT_NE(nullptr, hOther);
    Script().SetIntProp(LIVEWINDOW, static_cast<long>(reinterpret_cast<INT_PTR>(hOther)));
    StartLive();
    ASSERT_TRUE(WaitForFetches(2));
    DestroyWindow(hOther);
    m_hOther = nullptr;
    ASSERT_TRUE(WaitFor([&] { return !m_client.Worker().IsThreadRunning(); }));
    const size_t nFetches = Script().CountCalls("Get3DLivePicture");
    const size_t nStarts = Script().CountCalls("Start");
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.Start(0); }, CEXC_ACCESS_DENIED, L"Start"));
    EXPECT_FALSE(m_client.Worker().IsThreadRunning());
    EXPECT_EQ(nStarts, Script().CountCalls("Start"));
    EXPECT_EQ(nFetches, Script().CountCalls("Get3DLivePicture"));
    EXPECT_TRUE(m_client.Worker().HasStoredPicture());   // stored as at any end
}
