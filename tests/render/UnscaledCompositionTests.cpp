// Unscaled composition: a picture of its area's own size, with the overlay
// copy over it, composed without GDI+ gives what GDI+ draws, pixel for pixel
// and all four bytes of each; the cases it does not compose stay with GDI+.
#include "RenderTestSupport.h"
#include "KivoFrameSet.h"
#include "KivoKeyColorScan.h"
#include "KivoUnscaledComposition.h"
#include "KivoWindowDC.h"

#include <functional>

namespace
{
enum EOverlay
{
    NO_OVERLAY,
    ALL_KEY,       // every pixel the key colour: not drawn
    WITHOUT_KEY,   // no pixel of it: not drawn
    MIXED
};

// The picture area's corner in the target, and the target's margin around the area.
const int AREA_LEFT = 20, AREA_TOP = 10, MARGIN_X = 3, MARGIN_Y = 2;

CRect AreaTarget(int nWidth, int nHeight)
{
    return CRect(AREA_LEFT - MARGIN_X, AREA_TOP - MARGIN_Y, AREA_LEFT + nWidth + MARGIN_X,
                 AREA_TOP + nHeight + MARGIN_Y);
}
const COLORREF BACKGROUND = RGB(10, 20, 30);

DWORD KeyRgb(COLORREF crKey)
{
    return (static_cast<DWORD>(GetRValue(crKey)) << 16) | (static_cast<DWORD>(GetGValue(crKey)) << 8)
           | GetBValue(crKey);
}

// A server picture: grey through every value, or colour whose fourth byte
// changes from pixel to pixel as well.
std::vector<BYTE> TestPicture(bool bColour, int nWidth, int nHeight)
{
    std::vector<BYTE> bytes;
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
        {
            if (!bColour)
            {
                bytes.push_back(static_cast<BYTE>(x * 37 + y * 11));
                continue;
            }
            const BYTE colour[4] = { static_cast<BYTE>(x * 13 + y), static_cast<BYTE>(x * 7 + 128),
                                     static_cast<BYTE>(y * 29), static_cast<BYTE>(x * y * 17 + 3) };
            bytes.insert(bytes.end(), colour, colour + 4);
        }
    return bytes;
}

// An overlay copy as CopyMaskBitmap makes one: a 32-bit bottom-up DIB. Key
// pixels sometimes carry a fourth byte (which the key comparison ignores);
// covering pixels include colours one bit away from the key in each channel.
CKIVOFrame TestOverlay(EOverlay eOverlay, COLORREF crKey, int nWidth, int nHeight)
{
    BITMAPINFO* pInfo = Kivo::AllocateFrameInfo();
    DWORD* pBits = static_cast<DWORD*>(malloc(static_cast<size_t>(nWidth) * nHeight * 4));
    if (pInfo == nullptr || pBits == nullptr)
    {
        free(pInfo);
        free(pBits);
        return CKIVOFrame();
    }
    pInfo->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    pInfo->bmiHeader.biWidth = nWidth;
    pInfo->bmiHeader.biHeight = nHeight;
    pInfo->bmiHeader.biPlanes = 1;
    pInfo->bmiHeader.biBitCount = 32;
    pInfo->bmiHeader.biSizeImage = static_cast<DWORD>(nWidth * nHeight * 4);
    const DWORD dwKey = KeyRgb(crKey);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
        {
            const int i = y * nWidth + x;
            const DWORD dwNearKey = dwKey ^ (1u << (8 * (i % 3)));
            const DWORD dwOther = (static_cast<DWORD>(x * 40) << 16) | (static_cast<DWORD>(y * 50 & 0xFF) << 8)
                                  | static_cast<DWORD>(255 - x);
            const DWORD dwKeyed = dwKey | (i % 4 == 0 ? 0x80000000u : 0u);
            DWORD dwPixel = dwKeyed;
            if (eOverlay == WITHOUT_KEY)
                dwPixel = (dwOther & 0x00FFFFFF) == dwKey ? dwNearKey : i % 2 != 0 ? dwNearKey : dwOther;
            else if (eOverlay == MIXED)
            {
                const int nKind = (i * 7 + y) % 5;
                dwPixel = nKind < 2 ? dwKeyed : nKind == 2 || (dwOther & 0x00FFFFFF) == dwKey ? dwNearKey : dwOther;
            }
            pBits[(nHeight - 1 - y) * nWidth + x] = dwPixel;   // bottom-up
        }
    return CKIVOFrame::CreateOnBuffers(pInfo, pBits);
}

enum ETarget
{
    PAINT_DEVICE,   // a paint device assigned to the screen's DC: a bitmap compatible with it, as the live loop's
    WINDOW,         // a window's own DC, as the redraw straight into the application's DC
    DIB_24          // a 24-bit DIB section
};

// What one composition leaves in a target of rect's size whose logical
// coordinates are those of rect, filled beforehand. Every pixel of the
// target, all four bytes.
std::vector<DWORD> ComposeInto(ETarget eTarget, const CRect& rect, const std::function<BOOL(CDC*)>& fnCompose,
                               BOOL& bComposed)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = rect.Width();
    info.bmiHeader.biHeight = -rect.Height();
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(rect.Width()) * rect.Height(), 0xDEADBEEF);
    CKIVOWindowDC screen(nullptr);
    CRect rcTarget(rect);
    if (eTarget == WINDOW)
    {
        HWND hWnd = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, rect.Width(),
                                    rect.Height(), nullptr, nullptr, nullptr, nullptr);
        {
            CKIVOWindowDC windowDC(hWnd);
            CDC* pDC = windowDC.Get();
            if (pDC == nullptr)
                return pixels;
            SetWindowOrgEx(pDC->GetSafeHdc(), rect.left, rect.top, nullptr);
            pDC->FillSolidRect(&rcTarget, BACKGROUND);
            bComposed = fnCompose(pDC);
            SetWindowOrgEx(pDC->GetSafeHdc(), 0, 0, nullptr);
            // Read back through a 32-bit DIB section.
            void* pBits = nullptr;
            HBITMAP hBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
            HDC hMemDC = CreateCompatibleDC(nullptr);
            HGDIOBJ hOld = SelectObject(hMemDC, hBitmap);
            BitBlt(hMemDC, 0, 0, rect.Width(), rect.Height(), pDC->GetSafeHdc(), 0, 0, SRCCOPY);
            GdiFlush();
            memcpy(pixels.data(), pBits, pixels.size() * sizeof(DWORD));
            SelectObject(hMemDC, hOld);
            DeleteDC(hMemDC);
            DeleteObject(hBitmap);
        }
        DestroyWindow(hWnd);
        return pixels;
    }
    if (eTarget == PAINT_DEVICE)
    {
        CKIVOClientPaintDC device;
        if (!device.Assign(screen.Get(), rcTarget))
            return pixels;
        device.FillSolidRect(&rcTarget, BACKGROUND);
        bComposed = fnCompose(&device);
        device.UnAssign();
        GetDIBits(screen.Get()->GetSafeHdc(), device.GetHBITMAP(), 0, rect.Height(), pixels.data(), &info,
                  DIB_RGB_COLORS);
        return pixels;
    }
    BITMAPINFO info24 = info;
    info24.bmiHeader.biBitCount = 24;
    void* pBits = nullptr;
    HBITMAP hBitmap = CreateDIBSection(nullptr, &info24, DIB_RGB_COLORS, &pBits, nullptr, 0);
    CDC dc;
    dc.CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(dc.GetSafeHdc(), hBitmap);
    SetWindowOrgEx(dc.GetSafeHdc(), rect.left, rect.top, nullptr);
    dc.FillSolidRect(&rcTarget, BACKGROUND);
    bComposed = fnCompose(&dc);
    SelectObject(dc.GetSafeHdc(), hOld);
    GetDIBits(screen.Get()->GetSafeHdc(), hBitmap, 0, rect.Height(), pixels.data(), &info, DIB_RGB_COLORS);
    DeleteObject(hBitmap);
    return pixels;
}

// "" when equal, else where and how they first differ.
std::string FirstDifference(const std::vector<DWORD>& expected, const std::vector<DWORD>& actual, int nTargetWidth)
{
    for (size_t i = 0; i < expected.size(); ++i)
        if (expected[i] != actual[i])
        {
            char szText[96];
            snprintf(szText, sizeof(szText), "%d,%d: GDI+ 0x%08lX, composed 0x%08lX",
                     static_cast<int>(i % nTargetWidth), static_cast<int>(i / nTargetWidth),
                     static_cast<unsigned long>(expected[i]), static_cast<unsigned long>(actual[i]));
            return szText;
        }
    return std::string();
}
}

TEST(UnscaledComposition, EqualsGdiplusPixelForPixelOrLeavesTheCaseToIt)
{
    const COLORREF MAGENTA = RGB(255, 0, 255);
    const struct
    {
        const char* pszWhat;
        bool bColour;
        int nWidth, nHeight;
        EOverlay eOverlay;
        COLORREF crKey;
        int nMaskWidth, nMaskHeight;   // 0: the area's
        ETarget eTarget;
        bool bOtherPalette;   // an 8-bit palette other than the grey ramp
        bool bDirect;         // composed without GDI+
    } aCases[] = {
        { "grey 1x1", false, 1, 1, NO_OVERLAY, MAGENTA, 0, 0, PAINT_DEVICE, false, true },
        { "colour 1x1", true, 1, 1, NO_OVERLAY, MAGENTA, 0, 0, PAINT_DEVICE, false, true },
        { "grey 1x1, mixed overlay larger than the area", false, 1, 1, MIXED, MAGENTA, 5, 4, PAINT_DEVICE, false,
          true },
        { "grey 3 wide (rows padded)", false, 3, 5, NO_OVERLAY, MAGENTA, 0, 0, PAINT_DEVICE, false, true },
        { "grey 16 wide (one vector)", false, 16, 3, NO_OVERLAY, MAGENTA, 0, 0, PAINT_DEVICE, false, true },
        { "grey 17 wide, mixed", false, 17, 7, MIXED, MAGENTA, 0, 0, PAINT_DEVICE, false, true },
        { "grey 33 wide, mixed", false, 33, 6, MIXED, RGB(0, 0, 0), 0, 0, PAINT_DEVICE, false, true },
        { "grey 64 wide, mixed, white key", false, 64, 9, MIXED, RGB(255, 255, 255), 0, 0, PAINT_DEVICE, false, true },
        { "grey 21 wide, all key", false, 21, 5, ALL_KEY, MAGENTA, 0, 0, PAINT_DEVICE, false, true },
        { "grey 21 wide, without key", false, 21, 5, WITHOUT_KEY, MAGENTA, 0, 0, PAINT_DEVICE, false, true },
        { "colour 5 wide, mixed", true, 5, 4, MIXED, RGB(255, 0, 0), 0, 0, PAINT_DEVICE, false, true },
        { "colour 8 wide, mixed, key 0x010101", true, 8, 8, MIXED, RGB(1, 1, 1), 0, 0, PAINT_DEVICE, false, true },
        { "colour 19 wide, mixed, blue key", true, 19, 5, MIXED, RGB(0, 0, 255), 0, 0, PAINT_DEVICE, false, true },
        { "colour 32 wide, all key", true, 32, 4, ALL_KEY, RGB(0, 0, 0), 0, 0, PAINT_DEVICE, false, true },
        { "colour 31 wide, without key", true, 31, 3, WITHOUT_KEY, RGB(255, 255, 255), 0, 0, PAINT_DEVICE, false,
          true },
        { "colour 12 wide, mixed overlay larger", true, 12, 6, MIXED, MAGENTA, 30, 20, PAINT_DEVICE, false, true },
        // Composed a band of rows at a time: these take two bands.
        { "grey 300x250, mixed", false, 300, 250, MIXED, MAGENTA, 0, 0, PAINT_DEVICE, false, true },
        { "colour 300x250, mixed", true, 300, 250, MIXED, RGB(0, 0, 255), 0, 0, PAINT_DEVICE, false, true },
        { "grey, mixed overlay narrower than the area", false, 20, 6, MIXED, MAGENTA, 12, 6, PAINT_DEVICE, false,
          false },
        { "colour, mixed overlay lower than the area", true, 20, 6, MIXED, MAGENTA, 20, 5, PAINT_DEVICE, false, false },
        { "grey 23 wide, mixed, into a window's DC", false, 23, 5, MIXED, MAGENTA, 0, 0, WINDOW, false, true },
        { "colour 9 wide, mixed, into a window's DC", true, 9, 5, MIXED, RGB(0, 0, 0), 0, 0, WINDOW, false, true },
        { "grey into a 24-bit target", false, 9, 4, MIXED, MAGENTA, 0, 0, DIB_24, false, false },
        { "8 bits through another palette", false, 9, 4, MIXED, MAGENTA, 0, 0, PAINT_DEVICE, true, false },
    };
    CKIVOClientThread worker(nullptr);
    for (const auto& item : aCases)
    {
        SCOPED_TRACE(item.pszWhat);
        const int nWidth = item.nWidth, nHeight = item.nHeight;
        CKIVOFrameSet frames;
        ASSERT_TRUE(MakeFrame(TestPicture(item.bColour, nWidth, nHeight), nWidth, nHeight, item.bColour ? 4 : 1,
                              item.bColour ? 0 : 1, frames.picture));
        if (item.bOtherPalette)
            frames.picture.GetInfo()->bmiColors[37].rgbRed = 200;   // before GDI+ makes its bitmap
        if (item.eOverlay != NO_OVERLAY)
        {
            frames.mask = TestOverlay(item.eOverlay, item.crKey, item.nMaskWidth != 0 ? item.nMaskWidth : nWidth,
                                      item.nMaskHeight != 0 ? item.nMaskHeight : nHeight);
            ASSERT_FALSE(frames.mask.IsNull());
            frames.bMaskHasKeyColor =
                Kivo::ScanMaskForKeyColor(frames.mask.GetBitmap(), &item.crKey, &frames.bMaskAllKeyColor);
            EXPECT_EQ(item.eOverlay == MIXED, frames.bMaskHasKeyColor && !frames.bMaskAllKeyColor);
        }
        frames.dwKeyColor = Kivo::ColorRefToArgb(item.crKey);
        const bool bDrawMask = frames.bMaskHasKeyColor && !frames.bMaskAllKeyColor;

        BOOL bGdiplus = FALSE, bDirect = FALSE, bComposed = FALSE;
        const std::vector<DWORD> gdiplus = ComposeInto(
            item.eTarget, AreaTarget(nWidth, nHeight),
            [&](CDC* pDC) {
                return worker.DrawLivePicture(pDC, frames.picture.GetBitmap(), frames.mask.GetBitmap(), AREA_LEFT,
                                              AREA_TOP, nWidth, nHeight, frames.dwKeyColor, frames.bMaskHasKeyColor,
                                              frames.bMaskAllKeyColor);
            },
            bGdiplus);
        const std::vector<DWORD> direct = ComposeInto(
            item.eTarget, AreaTarget(nWidth, nHeight),
            [&](CDC* pDC) {
                return Kivo::ComposeUnscaledPicture(
                    pDC->GetSafeHdc(), frames.picture.GetInfo(), frames.picture.GetBits(),
                    bDrawMask ? frames.mask.GetInfo() : nullptr, bDrawMask ? frames.mask.GetBits() : nullptr, AREA_LEFT,
                    AREA_TOP, nWidth, nHeight, item.crKey);
            },
            bDirect);
        const std::vector<DWORD> composed = ComposeInto(
            item.eTarget, AreaTarget(nWidth, nHeight),
            [&](CDC* pDC) {
                return worker.ComposeLivePicture(pDC, frames.picture, &frames.mask, AREA_LEFT, AREA_TOP, nWidth,
                                                 nHeight, frames.dwKeyColor, frames.bMaskHasKeyColor,
                                                 frames.bMaskAllKeyColor);
            },
            bComposed);
        ASSERT_TRUE(bGdiplus);
        EXPECT_TRUE(bComposed);
        EXPECT_EQ(item.bDirect, bDirect != FALSE);
        const int nTargetWidth = nWidth + 2 * MARGIN_X;
        if (bDirect)
        {
            EXPECT_EQ("", FirstDifference(gdiplus, direct, nTargetWidth));
        }
        EXPECT_EQ("", FirstDifference(gdiplus, composed, nTargetWidth));
    }
}

// The window redraw of the stored picture composes the same way, straight
// into the caller's DC or through a paint device of its own.
TEST(UnscaledComposition, StoredPictureRedrawEqualsGdiplus)
{
    const int nWidth = 37, nHeight = 21;
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"live", WS_POPUP, 0, 0, nWidth + 2 * AREA_LEFT, nHeight + 2 * AREA_TOP,
                                nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hWnd);
    const COLORREF crKey = RGB(255, 0, 255);
    for (int bColour = 0; bColour < 2; ++bColour)
        for (int bBuffered = 0; bBuffered < 2; ++bBuffered)
        {
            SCOPED_TRACE(testing::Message() << (bColour ? "colour" : "grey") << (bBuffered ? ", buffered" : ""));
            CKIVOClientThread worker(nullptr);
            worker.SetLiveWindow(hWnd);
            CKIVOFrameSet frames;
            ASSERT_TRUE(MakeFrame(TestPicture(bColour != 0, nWidth, nHeight), nWidth, nHeight, bColour ? 4 : 1,
                                  bColour ? 0 : 1, frames.picture));
            frames.mask = TestOverlay(MIXED, crKey, nWidth, nHeight);
            frames.dwKeyColor = Kivo::ColorRefToArgb(crKey);
            frames.bMaskHasKeyColor =
                Kivo::ScanMaskForKeyColor(frames.mask.GetBitmap(), &crKey, &frames.bMaskAllKeyColor);
            // The buffered redraw blits its device to the DC's origin: its area starts there.
            const int nLeft = bBuffered ? 0 : AREA_LEFT, nTop = bBuffered ? 0 : AREA_TOP;
            worker.RememberLiveArea(hWnd, nLeft, nTop, nWidth, nHeight);
            const CRect rcTarget(0, 0, AREA_LEFT + nWidth + MARGIN_X, AREA_TOP + nHeight + MARGIN_Y);

            BOOL bGdiplus = FALSE, bRedrawn = FALSE;
            const std::vector<DWORD> gdiplus = ComposeInto(
                PAINT_DEVICE, rcTarget,
                [&](CDC* pDC) {
                    return worker.DrawLivePicture(pDC, frames.picture.GetBitmap(), frames.mask.GetBitmap(), nLeft, nTop,
                                                  nWidth, nHeight, frames.dwKeyColor, frames.bMaskHasKeyColor,
                                                  frames.bMaskAllKeyColor);
                },
                bGdiplus);
            ASSERT_TRUE(worker.StoreFrames(frames));
            const std::vector<DWORD> redrawn = ComposeInto(
                PAINT_DEVICE, rcTarget, [&](CDC* pDC) { return worker.PaintLivePicture(pDC, bBuffered); }, bRedrawn);
            ASSERT_TRUE(bGdiplus);
            EXPECT_TRUE(bRedrawn);
            EXPECT_EQ("", FirstDifference(gdiplus, redrawn, rcTarget.Width()));
        }
    DestroyWindow(hWnd);
}
