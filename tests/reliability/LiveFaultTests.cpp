// The live picture thread when steps of a pass fail: it goes on where it
// should, the window keeps its last picture, and Stop returns.
#include "../live/LiveTestFixture.h"

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

TEST_F(LiveFaults, OddGreyWidthShowsStraight)
{
    // 61 pixels a row: rows are copied one by one into the bitmap's stride.
    CTestPicture picture;
    picture.nWidth = 61;
    picture.nHeight = 48;
    picture.nBytesPerPixel = 1;
    picture.nFormat = 1;
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 61; ++x)
            picture.bytes.push_back(x < 30 ? 0 : 255);
    Script().SetLivePicture(picture);
    StartLive();
    // A sheared picture would put dark pixels on the right in lower rows.
    ASSERT_TRUE(WaitFor([&] { return GetGValue(WindowPixel(LEFT + 110, TOP + 90)) > 200; }));
    EXPECT_LT(GetGValue(WindowPixel(LEFT + 20, TOP + 90)), 50);
    EXPECT_GT(GetGValue(WindowPixel(LEFT + 110, TOP + 5)), 200);
}

TEST_F(LiveFaults, FailingOverlayCopyKeepsThePicturesComing)
{
    ShowFirstPicture();
    // An overlay device held by the application makes every copy wait; the
    // thread resumes as soon as it is given back.
    {
        CKIVOWindowDC windowDC(m_hWnd);
        ASSERT_NE(nullptr, windowDC.Get());
        CRect rect(LEFT, TOP, LEFT + WIDTH, TOP + HEIGHT);
        CKIVOClientMaskPaintDC* pMask = m_client.GetMaskPaintDC(windowDC.Get(), rect);
        ASSERT_NE(nullptr, pMask);
        pMask->FillSolidRect(&rect, LIVE_KEY);
        size_t nFetches = Script().CountCalls("Get3DLivePicture");
        Sleep(200);   // the thread can only be waiting now; nothing to poll for
        EXPECT_LE(Script().CountCalls("Get3DLivePicture"), nFetches + 1);
        m_client.ReleaseMaskPaintDC();
    }
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
