// The off-screen paint device: drawn in the rectangle's coordinates, blitted
// in one piece into a DC or a caller's bitmap.
#include "RenderTestSupport.h"
#include <KivoClientPaintDC.h>

TEST(PaintDevice, DrawingInRectangleCoordinatesLandsAtTheRectanglesCornerOfADCOrABitmap)
{
    CKIVOClientPaintDC device;
    CTestCanvas canvas(100, 80);
    EXPECT_FALSE(device.BlitToCDC(canvas.DC()));   // nothing drawn yet
    CRect area(40, 30, 60, 50);
    ASSERT_TRUE(device.Assign(canvas.DC(), area));
    device.FillSolidRect(&area, RGB(0, 255, 0));
    device.FillSolidRect(40, 30, 5, 5, RGB(255, 0, 0));
    EXPECT_FALSE(device.BlitToCDC(canvas.DC()));   // not while assigned
    device.UnAssign();
    EXPECT_TRUE(device.CanBlit(TRUE));
    ASSERT_TRUE(device.BlitToCDC(canvas.DC()));
    EXPECT_FALSE(device.CanBlit(TRUE));   // until something is drawn again

    EXPECT_EQ(RGB(255, 0, 0), canvas.Pixel(40, 30));
    EXPECT_EQ(RGB(255, 0, 0), canvas.Pixel(44, 34));
    EXPECT_EQ(RGB(0, 255, 0), canvas.Pixel(45, 30));
    EXPECT_EQ(RGB(0, 255, 0), canvas.Pixel(59, 49));
    for (POINT pt : { POINT{ 39, 30 }, POINT{ 40, 29 }, POINT{ 60, 49 }, POINT{ 59, 50 }, POINT{ 0, 0 } })
        EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(pt.x, pt.y)) << pt.x << "," << pt.y;

    // The caller's bitmap takes the device's pixels from its first one on and
    // stays alive and selected nowhere.
    HBITMAP hTarget = CreateCompatibleBitmap(canvas.DC()->GetSafeHdc(), 8, 8);
    ASSERT_TRUE(device.BlitToHBITMAP(nullptr, hTarget));
    HDC hCheck = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hCheck, hTarget);
    ASSERT_NE(nullptr, hOld);
    EXPECT_EQ(RGB(255, 0, 0), GetPixel(hCheck, 4, 4));
    EXPECT_EQ(RGB(0, 255, 0), GetPixel(hCheck, 5, 7));
    SelectObject(hCheck, hOld);
    DeleteDC(hCheck);
    DeleteObject(hTarget);
}
