// The off-screen paint device: assignment, bitmap reuse, blit flag, blits and lock.
#include "RenderTestSupport.h"
#include <KivoClientPaintDC.h>

TEST(PaintDevice, NewDeviceHasNothingToBlit)
{
    CKIVOClientPaintDC device;
    CTestCanvas canvas(16, 16);
    EXPECT_EQ(nullptr, device.GetHBITMAP());
    EXPECT_FALSE(device.IsAssigned());
    EXPECT_FALSE(device.IsBitmapAccessible());
    EXPECT_FALSE(device.CanBlit(FALSE));
    EXPECT_FALSE(device.BlitToCDC(canvas.DC()));
    EXPECT_EQ(&device, static_cast<CKIVOClientPaintDC*>(device));
    EXPECT_EQ(&device, device.operator->());
}

TEST(PaintDevice, NullOrPrintingTargetIsRefusedAndChangesNothing)
{
    CKIVOClientPaintDC device;
    CTestCanvas canvas(16, 16);
    CRect rect(0, 0, 8, 8);
    EXPECT_FALSE(device.Assign(nullptr, rect));
    ASSERT_TRUE(device.Assign(canvas.DC(), rect));
    CTestCanvas printer(16, 16);
    printer.DC()->m_bPrinting = TRUE;
    EXPECT_FALSE(device.Assign(printer.DC(), rect));
    EXPECT_TRUE(device.IsAssigned());
    device.UnAssign();
}

TEST(PaintDevice, BitmapIsKeptWhileTheSizeStays)
{
    CKIVOClientPaintDC device;
    CTestCanvas canvas(64, 64);
    CRect first(0, 0, 20, 10), moved(30, 40, 50, 50), bigger(0, 0, 21, 10);
    ASSERT_TRUE(device.Assign(canvas.DC(), first));
    HBITMAP hBitmap = device.GetHBITMAP();
    HDC hMemory = device.GetSafeHdc();
    ASSERT_TRUE(device.Assign(canvas.DC(), moved));   // assigning again unassigns first
    EXPECT_EQ(hBitmap, device.GetHBITMAP());
    for (int i = 0; i < 200; ++i)
    {
        ASSERT_TRUE(device.Assign(canvas.DC(), moved));
        device.FillSolidRect(&moved, RGB(i, 0, 0));
        device.UnAssign();
        ASSERT_TRUE(device.BlitToCDC(canvas.DC()));
    }
    EXPECT_EQ(hBitmap, device.GetHBITMAP());
    EXPECT_EQ(hMemory, device.GetSafeHdc());
    ASSERT_TRUE(device.Assign(canvas.DC(), bigger));
    BITMAP bm = {};
    ASSERT_NE(0, GetObjectW(device.GetHBITMAP(), sizeof(bm), &bm));
    EXPECT_EQ(21, bm.bmWidth);
    EXPECT_EQ(10, bm.bmHeight);
    device.UnAssign();
}

TEST(PaintDevice, BlitFlagFollowsDrawingAndBlits)
{
    CKIVOClientPaintDC device;
    CTestCanvas canvas(32, 32);
    CRect rect(0, 0, 8, 8);
    ASSERT_TRUE(device.Assign(canvas.DC(), rect));
    // Assigned: nothing can be read from the device.
    EXPECT_FALSE(device.IsBitmapAccessible());
    EXPECT_FALSE(device.CanBlit(FALSE));
    EXPECT_FALSE(device.BlitToCDC(canvas.DC()));
    HBITMAP hTarget = CreateCompatibleBitmap(canvas.DC()->GetSafeHdc(), 8, 8);
    EXPECT_FALSE(device.BlitToHBITMAP(nullptr, hTarget));
    device.UnAssign();
    EXPECT_TRUE(device.CanBlit(TRUE));   // the refused blits left the flag set
    EXPECT_TRUE(device.CanBlit(FALSE));

    EXPECT_TRUE(device.BlitToCDC(canvas.DC()));
    EXPECT_FALSE(device.CanBlit(TRUE));
    EXPECT_TRUE(device.CanBlit(FALSE));
    ASSERT_TRUE(device.Assign(canvas.DC(), rect));
    device.UnAssign();
    device.ResetBlitFlag();
    EXPECT_FALSE(device.CanBlit(TRUE));
    EXPECT_FALSE(device.BlitToCDC(nullptr));
    DeleteObject(hTarget);
}

TEST(PaintDevice, DrawingInRectangleCoordinatesLandsAtTheRectanglesCorner)
{
    CKIVOClientPaintDC device;
    CTestCanvas canvas(100, 80);
    canvas.Fill(RGB(255, 255, 255));
    CRect area(40, 30, 60, 50);
    ASSERT_TRUE(device.Assign(canvas.DC(), area));
    device.FillSolidRect(&area, RGB(0, 0, 255));
    device.FillSolidRect(40, 30, 5, 5, RGB(255, 0, 0));
    device.UnAssign();
    ASSERT_TRUE(device.BlitToCDC(canvas.DC()));

    EXPECT_EQ(RGB(255, 0, 0), canvas.Pixel(40, 30));
    EXPECT_EQ(RGB(255, 0, 0), canvas.Pixel(44, 34));
    EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(59, 49));
    // Nothing outside the rectangle is touched.
    EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(39, 30));
    EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(60, 49));
    EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(59, 50));
    EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(0, 0));
}

TEST(PaintDevice, BlitIntoABitmapCopiesFromTheDevicesFirstPixel)
{
    CKIVOClientPaintDC device;
    CTestCanvas canvas(64, 64);
    CRect area(10, 20, 26, 36);
    ASSERT_TRUE(device.Assign(canvas.DC(), area));
    device.FillSolidRect(&area, RGB(0, 255, 0));
    device.FillSolidRect(10, 20, 2, 2, RGB(255, 0, 255));
    device.UnAssign();

    HBITMAP hTarget = CreateCompatibleBitmap(canvas.DC()->GetSafeHdc(), 4, 4);
    ASSERT_TRUE(device.BlitToHBITMAP(nullptr, hTarget));
    EXPECT_FALSE(device.CanBlit(TRUE));
    // The caller's bitmap is alive and selected nowhere: it goes into a DC of ours.
    ASSERT_EQ(OBJ_BITMAP, static_cast<int>(GetObjectType(hTarget)));
    HDC hCheck = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hCheck, hTarget);
    ASSERT_NE(nullptr, hOld);
    EXPECT_EQ(RGB(255, 0, 255), GetPixel(hCheck, 0, 0));
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(hCheck, 3, 3));
    SelectObject(hCheck, hOld);
    DeleteDC(hCheck);
    DeleteObject(hTarget);
}

TEST(PaintDevice, LockIsRecursiveAndRefusesOtherThreadsWithoutWaiting)
{
    CKIVOClientPaintDC device;
    ASSERT_TRUE(device.Lock(TRUE));
    EXPECT_TRUE(device.Lock(FALSE));
    device.UnLock();
    CTestWorker worker;
    worker.Run([&] { EXPECT_FALSE(device.Lock(FALSE)); });
    device.UnLock();
    worker.Run([&] {
        EXPECT_TRUE(device.Lock(FALSE));
        device.UnLock();
    });
}

TEST(PaintDevice, CyclesAtConstantSizeCreateNoGdiObjects)
{
    CKIVOClientPaintDC device;
    CTestCanvas canvas(64, 64);
    CRect area(8, 8, 40, 40);
    auto cycle = [&] {
        ASSERT_TRUE(device.Assign(canvas.DC(), area));
        device.FillSolidRect(&area, RGB(1, 2, 3));
        device.DrawText(_T("12.5 fps"), &area, 0);
        device.UnAssign();
        ASSERT_TRUE(device.BlitToCDC(canvas.DC()));
    };
    cycle();   // warm-up: the memory DC and the bitmap are made here
    DWORD nBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (nBefore == 0)
        GTEST_SKIP() << "this platform does not report GDI object counts";
    for (int i = 0; i < 1000; ++i)
        cycle();
    EXPECT_EQ(nBefore, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
}
