// Composition: the picture scaled into its area, the overlay copy laid over it
// unscaled through the key colour, and the overlay copied out of its device.
#include "RenderTestSupport.h"
#include "KivoKeyColorScan.h"

namespace
{
const COLORREF KEY = RGB(255, 0, 255);
const DWORD KEY_ARGB = 0xFFFF00FF;

class Composition : public ::testing::Test
{
protected:
    CKIVOClientThread m_worker{ nullptr };
};

// An overlay bitmap of nWidth x nHeight in the key colour with a block of
// another colour in its top-left quarter.
void MakeOverlay(int nWidth, int nHeight, COLORREF crBlock, CKIVOFrame& frame)
{
    std::vector<BYTE> bytes = SolidColour(nWidth, nHeight, KEY);
    for (int y = 0; y < nHeight / 2; ++y)
        for (int x = 0; x < nWidth / 2; ++x)
        {
            BYTE* p = &bytes[(y * nWidth + x) * 4];
            p[0] = GetBValue(crBlock);
            p[1] = GetGValue(crBlock);
            p[2] = GetRValue(crBlock);
        }
    ASSERT_TRUE(MakeFrame(bytes, nWidth, nHeight, 4, 0, frame));
}
}

TEST_F(Composition, GreyRampIsScaledIntoTheArea)
{
    CKIVOFrame picture;
    ASSERT_TRUE(MakeFrame(GreyRamp(64, 16, 4), 64, 16, 1, 1, picture));
    CTestCanvas canvas(200, 100);
    canvas.Fill(RGB(0, 0, 255));
    ASSERT_TRUE(m_worker.DrawLivePicture(canvas.DC(), picture.GetBitmap(), nullptr, 20, 10, 128, 32, KEY_ARGB,
                                         FALSE, TRUE));
    // Twice as wide: device column 20 + 2k shows picture column k, value 4k.
    for (int k : { 4, 16, 32, 48, 60 })
    {
        COLORREF cr = canvas.Pixel(20 + 2 * k, 25);
        EXPECT_NEAR(4 * k, Grey(cr), 8) << "column " << k;
        EXPECT_EQ(GetRValue(cr), GetBValue(cr));
    }
    EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(19, 25));
    EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(148, 25));
    EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(60, 9));
    EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(60, 42));
}

TEST_F(Composition, ColourPictureKeepsItsColour)
{
    CKIVOFrame picture;
    ASSERT_TRUE(MakeFrame(SolidColour(10, 10, RGB(10, 200, 90)), 10, 10, 4, 0, picture));
    CTestCanvas canvas(50, 50);
    ASSERT_TRUE(m_worker.DrawLivePicture(canvas.DC(), picture.GetBitmap(), nullptr, 0, 0, 40, 40, KEY_ARGB,
                                         FALSE, TRUE));
    EXPECT_EQ(RGB(10, 200, 90), canvas.Pixel(20, 20));
}

TEST_F(Composition, MixedOverlayCoversThePictureUnscaledWithTheKeyTransparent)
{
    CKIVOFrame picture, overlay;
    ASSERT_TRUE(MakeFrame(SolidColour(8, 8, RGB(0, 128, 0)), 8, 8, 4, 0, picture));
    MakeOverlay(40, 20, RGB(255, 255, 0), overlay);
    CTestCanvas canvas(120, 80);
    ASSERT_TRUE(m_worker.DrawLivePicture(canvas.DC(), picture.GetBitmap(), overlay.GetBitmap(), 10, 5, 80, 60,
                                         KEY_ARGB, TRUE, FALSE));
    // The yellow block covers overlay pixels 0..19 x 0..9, from the area's corner.
    EXPECT_EQ(RGB(255, 255, 0), canvas.Pixel(10, 5));
    EXPECT_EQ(RGB(255, 255, 0), canvas.Pixel(29, 14));
    EXPECT_EQ(RGB(0, 128, 0), canvas.Pixel(30, 14));   // key colour: the picture shows
    EXPECT_EQ(RGB(0, 128, 0), canvas.Pixel(29, 15));
    EXPECT_EQ(RGB(0, 128, 0), canvas.Pixel(45, 20));
}

TEST_F(Composition, OverlayThatIsAllKeyOrHasNoKeyIsNotDrawn)
{
    CKIVOFrame picture, overlay;
    ASSERT_TRUE(MakeFrame(SolidColour(8, 8, RGB(0, 128, 0)), 8, 8, 4, 0, picture));
    MakeOverlay(40, 20, RGB(255, 255, 0), overlay);
    CTestCanvas canvas(60, 40);
    ASSERT_TRUE(m_worker.DrawLivePicture(canvas.DC(), picture.GetBitmap(), overlay.GetBitmap(), 0, 0, 40, 20, KEY_ARGB,
                                         TRUE, TRUE));
    EXPECT_EQ(RGB(0, 128, 0), canvas.Pixel(1, 1));
    ASSERT_TRUE(m_worker.DrawLivePicture(canvas.DC(), picture.GetBitmap(), overlay.GetBitmap(), 0, 0, 40, 20, KEY_ARGB,
                                         FALSE, TRUE));
    EXPECT_EQ(RGB(0, 128, 0), canvas.Pixel(1, 1));
}

TEST_F(Composition, EmptyAreaOrMissingPictureDrawsNothing)
{
    CKIVOFrame picture;
    ASSERT_TRUE(MakeFrame(SolidColour(8, 8, RGB(0, 128, 0)), 8, 8, 4, 0, picture));
    CTestCanvas canvas(20, 20);
    canvas.Fill(RGB(1, 1, 1));
    EXPECT_FALSE(m_worker.DrawLivePicture(canvas.DC(), picture.GetBitmap(), nullptr, 0, 0, 0, 10, KEY_ARGB, 0, 1));
    EXPECT_FALSE(m_worker.DrawLivePicture(canvas.DC(), picture.GetBitmap(), nullptr, 0, 0, 10, -1, KEY_ARGB, 0, 1));
    EXPECT_FALSE(m_worker.DrawLivePicture(canvas.DC(), nullptr, nullptr, 0, 0, 10, 10, KEY_ARGB, 0, 1));
    EXPECT_FALSE(m_worker.DrawLivePicture(nullptr, picture.GetBitmap(), nullptr, 0, 0, 10, 10, KEY_ARGB, 0, 1));
    EXPECT_EQ(RGB(1, 1, 1), canvas.Pixel(5, 5));
}

TEST(KeyScan, AlphaIsNotCompared)
{
    const COLORREF crKey = RGB(10, 20, 30);
    Gdiplus::Bitmap bitmap(2, 1, PixelFormat32bppARGB);
    bitmap.SetPixel(0, 0, Gdiplus::Color(0x000A141E));
    bitmap.SetPixel(1, 0, Gdiplus::Color(0xFF0A141E));
    int bAllKey = 0;
    EXPECT_TRUE(ScanMaskForKeyColor(&bitmap, &crKey, &bAllKey));
    EXPECT_TRUE(bAllKey);

    bitmap.SetPixel(1, 0, Gdiplus::Color(0xFF0A141F));
    EXPECT_TRUE(ScanMaskForKeyColor(&bitmap, &crKey, &bAllKey));
    EXPECT_FALSE(bAllKey);
}

TEST(KeyScan, NoKeyPixelCountsAsAllKeyAndNullAsNothing)
{
    const COLORREF crKey = RGB(1, 2, 3);
    Gdiplus::Bitmap bitmap(3, 3, PixelFormat32bppARGB);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            bitmap.SetPixel(x, y, Gdiplus::Color(0xFF000000));
    int bAllKey = 0;
    EXPECT_FALSE(ScanMaskForKeyColor(&bitmap, &crKey, &bAllKey));
    EXPECT_TRUE(bAllKey);
    bAllKey = 0;
    EXPECT_FALSE(ScanMaskForKeyColor(nullptr, &crKey, &bAllKey));
    EXPECT_TRUE(bAllKey);
}

TEST(KeyScan, LockedBitmapIsReadPixelByPixel)
{
    // While someone else holds the bits locked the scan takes the slower path;
    // its answer must not change.
    const COLORREF crKey = RGB(9, 9, 9);
    Gdiplus::Bitmap bitmap(4, 4, PixelFormat32bppARGB);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            bitmap.SetPixel(x, y, Gdiplus::Color(y < 2 ? 0xFF090909 : 0xFFFFFFFF));
    Gdiplus::BitmapData data;
    Gdiplus::Rect rect(0, 0, 4, 4);
    ASSERT_EQ(Gdiplus::Ok, bitmap.LockBits(&rect, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &data));
    int bAllKey = 1;
    BOOL bHasKey = ScanMaskForKeyColor(&bitmap, &crKey, &bAllKey);
    bitmap.UnlockBits(&data);
    EXPECT_TRUE(bHasKey);
    EXPECT_FALSE(bAllKey);
}

// ---------------------------------------------------------------------------
// The overlay copied out of its device

namespace
{
class MaskCopy : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_hWnd = CreateWindowExW(0, L"STATIC", L"live", WS_POPUP, 0, 0, 120, 90, nullptr, nullptr, nullptr,
                                 nullptr);
        ASSERT_NE(nullptr, m_hWnd);
        m_worker.m_hWnd = m_hWnd;
        m_hDC = GetDC(m_hWnd);
        m_windowDC.Attach(m_hDC);
        ForgetRepaints();
    }
    void TearDown() override
    {
        m_windowDC.Detach();
        ReleaseDC(m_hWnd, m_hDC);
        DestroyWindow(m_hWnd);
    }

    // Draws an overlay as the application would: key colour, and a block of
    // another colour when asked.
    void DrawOverlay(bool bKey, bool bBlock)
    {
        CKIVOClientMaskPaintDC& device = m_worker.m_MaskPaintDC;
        CRect rect(0, 0, 40, 30);
        ASSERT_TRUE(device.Lock(TRUE));
        ASSERT_TRUE(device.Assign(&m_windowDC, rect));
        device.FillSolidRect(&rect, bKey ? KEY : RGB(0, 0, 0));
        if (bBlock)
            device.FillSolidRect(0, 0, 10, 10, RGB(255, 255, 0));
        device.UnAssign();
        device.UnLock();
    }
    void ForgetRepaints()
    {
        ValidateRect(m_hWnd, nullptr);
        MSG msg;
        while (PeekMessageW(&msg, m_hWnd, WM_PAINT, WM_PAINT, PM_REMOVE))
            ;
    }
    bool RepaintRequested()
    {
        MSG msg;
        return PeekMessageW(&msg, m_hWnd, WM_PAINT, WM_PAINT, PM_REMOVE) != FALSE;
    }
    Gdiplus::Bitmap* Copy(int& bHasKey, int& bAllKey, CKIVOFrame& frame)
    {
        frame = m_worker.CopyMaskBitmap(&m_windowDC, KEY, &bHasKey, &bAllKey);
        return frame.GetBitmap();
    }

    CKIVOClientThread m_worker{ nullptr };
    HWND m_hWnd = nullptr;
    HDC m_hDC = nullptr;
    CDC m_windowDC;
};
}

TEST_F(MaskCopy, NeverDrawnOverlayAsksForARepaintEveryTime)
{
    CKIVOFrame frame;
    int bHasKey = 7, bAllKey = 7;
    EXPECT_EQ(nullptr, Copy(bHasKey, bAllKey, frame));
    EXPECT_TRUE(RepaintRequested());
    EXPECT_EQ(7, bHasKey);   // flags untouched without a copy
    ForgetRepaints();
    EXPECT_EQ(nullptr, Copy(bHasKey, bAllKey, frame));
    EXPECT_TRUE(RepaintRequested());
    EXPECT_TRUE(m_worker.CopyMaskBitmap(nullptr, KEY, &bHasKey, &bAllKey).IsNull());
}

TEST_F(MaskCopy, MixedOverlayIsCopiedOnceWithoutRepaint)
{
    DrawOverlay(true, true);
    CKIVOFrame frame;
    int bHasKey = 0, bAllKey = 1;
    ASSERT_NE(nullptr, Copy(bHasKey, bAllKey, frame));
    EXPECT_TRUE(bHasKey);
    EXPECT_FALSE(bAllKey);
    EXPECT_FALSE(RepaintRequested());
    EXPECT_EQ(40u, frame.GetBitmap()->GetWidth());
    EXPECT_NE(nullptr, frame.GetInfo());
    EXPECT_NE(nullptr, frame.GetBits());
    Gdiplus::Color pixel;
    ASSERT_EQ(Gdiplus::Ok, frame.GetBitmap()->GetPixel(2, 2, &pixel));
    EXPECT_EQ(255, pixel.GetRed());
    EXPECT_EQ(0, pixel.GetBlue());
    EXPECT_FALSE(m_worker.m_MaskPaintDC.CanBlit(TRUE));

    // Nothing new drawn: no copy, no repaint, the caller's flags stay.
    CKIVOFrame second;
    EXPECT_EQ(nullptr, Copy(bHasKey, bAllKey, second));
    EXPECT_FALSE(RepaintRequested());
    EXPECT_TRUE(bHasKey);
}

TEST_F(MaskCopy, AllKeyOverlayIsCopiedWithoutRepaint)
{
    DrawOverlay(true, false);
    CKIVOFrame frame;
    int bHasKey = 0, bAllKey = 0;
    ASSERT_NE(nullptr, Copy(bHasKey, bAllKey, frame));
    EXPECT_TRUE(bHasKey);
    EXPECT_TRUE(bAllKey);
    EXPECT_FALSE(RepaintRequested());
}

TEST_F(MaskCopy, OverlayWithoutKeyIsCopiedAndAsksForARepaint)
{
    DrawOverlay(false, true);
    CKIVOFrame frame;
    int bHasKey = 1, bAllKey = 0;
    ASSERT_NE(nullptr, Copy(bHasKey, bAllKey, frame));
    EXPECT_FALSE(bHasKey);
    EXPECT_TRUE(bAllKey);
    EXPECT_TRUE(RepaintRequested());
}
