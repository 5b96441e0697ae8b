// Composition: the picture scaled into its area with the overlay copy laid
// over it unscaled through the key colour; and the overlay copied out of its
// device through a window's DC, with its key flags.
#include "RenderTestSupport.h"
#include "KivoWindowDC.h"

namespace
{
const COLORREF KEY = RGB(255, 0, 255), YELLOW = RGB(255, 255, 0), GREEN = RGB(0, 128, 0), BLUE = RGB(0, 0, 255);
}

TEST(Composition, OnlyAMixedOverlayIsDrawnUnscaledWithTheKeyTransparent)
{
    CKIVOClientThread worker(nullptr);
    CKIVOFrame picture, overlay;
    ASSERT_TRUE(MakeFrame(SolidColour(8, 8, GREEN), 8, 8, 4, 0, picture));
    // 40 x 20 of the key colour with a yellow block over pixels 0..19 x 0..9.
    std::vector<BYTE> bytes = SolidColour(40, 20, KEY);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
        {
            bytes[(y * 40 + x) * 4] = 0;
            bytes[(y * 40 + x) * 4 + 1] = 255;
        }
    ASSERT_TRUE(MakeFrame(bytes, 40, 20, 4, 0, overlay));

    // clang-format off
    const struct { BOOL bHasKey, bAllKey, bDrawn; }
        aFlags[] = { { TRUE, FALSE, TRUE }, { TRUE, TRUE, FALSE }, { FALSE, TRUE, FALSE } };
    // clang-format on
    for (const auto& flags : aFlags)
    {
        SCOPED_TRACE(testing::Message() << "has key " << flags.bHasKey << ", all key " << flags.bAllKey);
        CTestCanvas canvas(120, 80);
        ASSERT_TRUE(worker.DrawLivePicture(canvas.DC(), picture.GetBitmap(), overlay.GetBitmap(), 10, 5, 80, 60,
                                           0xFFFF00FF, flags.bHasKey, flags.bAllKey));
        EXPECT_EQ(flags.bDrawn ? YELLOW : GREEN, canvas.Pixel(12, 7));
        EXPECT_EQ(flags.bDrawn ? YELLOW : GREEN, canvas.Pixel(29, 14));
        for (POINT pt : { POINT{ 30, 14 }, POINT{ 29, 15 }, POINT{ 45, 20 } })
            EXPECT_EQ(GREEN, canvas.Pixel(pt.x, pt.y)) << pt.x << "," << pt.y;   // the key shows the picture
        for (POINT pt : { POINT{ 9, 5 }, POINT{ 10, 4 }, POINT{ 90, 64 }, POINT{ 89, 65 } })
            EXPECT_EQ(BLUE, canvas.Pixel(pt.x, pt.y)) << pt.x << "," << pt.y;   // outside the area
    }

    CTestCanvas canvas(20, 20);
    EXPECT_FALSE(worker.DrawLivePicture(canvas.DC(), picture.GetBitmap(), nullptr, 0, 0, 0, 10, 0, 0, 1));
    EXPECT_FALSE(worker.DrawLivePicture(canvas.DC(), picture.GetBitmap(), nullptr, 0, 0, 10, -1, 0, 0, 1));
    EXPECT_FALSE(worker.DrawLivePicture(canvas.DC(), nullptr, nullptr, 0, 0, 10, 10, 0, 0, 1));
    EXPECT_EQ(BLUE, canvas.Pixel(5, 5));
}

// The overlay drawn as the application would; the application is asked to
// repaint (and so to draw it) whenever the caller is left without a usable copy.
TEST(MaskCopy, CopyAndKeyFlagsFollowWhatTheApplicationDrew)
{
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"live", WS_POPUP, 0, 0, 120, 90, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hWnd);
    CKIVOClientThread worker(nullptr);
    worker.SetLiveWindow(hWnd);
    CKIVOWindowDC windowDC(hWnd);
    auto repaintRequested = [&] {   // since the last look; forgets the request
        MSG msg;
        bool bRequested = GetUpdateRect(hWnd, nullptr, FALSE) != FALSE;
        ValidateRect(hWnd, nullptr);
        while (PeekMessageW(&msg, hWnd, WM_PAINT, WM_PAINT, PM_REMOVE))
            bRequested = true;
        return bRequested;
    };
    repaintRequested();
    // The overlay drawn (its background, CLR_INVALID for none, and a yellow block
    // in its corner or not), whether the caller holds a copy; the outcome.
    const struct
    {
        const char* pszWhat;
        COLORREF crBackground;
        bool bBlock;
        BOOL bHoldsCopy;
        bool bCopy;
        int bHasKey, bAllKey;
        bool bRepaint;
    } aSteps[] = {
        { "never drawn", CLR_INVALID, false, TRUE, false, 7, 7, true },
        { "mixed", KEY, true, TRUE, true, 1, 0, false },
        { "nothing new, a copy held", CLR_INVALID, false, TRUE, false, 7, 7, false },
        { "nothing new, no copy held", CLR_INVALID, false, FALSE, false, 7, 7, true },
        { "all key", KEY, false, TRUE, true, 1, 1, false },
        { "without key", RGB(0, 0, 0), true, TRUE, true, 0, 1, true },
    };
    for (const auto& step : aSteps)
    {
        SCOPED_TRACE(step.pszWhat);
        CKIVOClientMaskPaintDC& device = worker.GetMaskPaintDevice();
        CRect rect(0, 0, 40, 30);
        if (step.crBackground != CLR_INVALID)
        {
            ASSERT_TRUE(device.Lock(TRUE));
            ASSERT_TRUE(device.Assign(windowDC.Get(), rect));
            device.FillSolidRect(&rect, step.crBackground);
            if (step.bBlock)
                device.FillSolidRect(0, 0, 10, 10, YELLOW);
            device.UnAssign();
            device.UnLock();
        }
        int bHasKey = 7, bAllKey = 7;   // written only with a copy
        CKIVOFrame copy = worker.CopyMaskBitmap(windowDC.Get(), KEY, &bHasKey, &bAllKey, step.bHoldsCopy);
        ASSERT_EQ(step.bCopy, !copy.IsNull());
        EXPECT_EQ(step.bHasKey, bHasKey);
        EXPECT_EQ(step.bAllKey, bAllKey);
        EXPECT_EQ(step.bRepaint, repaintRequested());
        EXPECT_EQ(!step.bCopy ? CLR_INVALID : step.bBlock ? YELLOW : step.crBackground, PixelOf(copy, 2, 2));
        EXPECT_EQ(step.bCopy ? step.crBackground : CLR_INVALID, PixelOf(copy, 39, 29));   // the whole overlay
    }
    int bHasKey = 0, bAllKey = 0;
    EXPECT_TRUE(worker.CopyMaskBitmap(nullptr, KEY, &bHasKey, &bAllKey).IsNull());
    DestroyWindow(hWnd);
}
