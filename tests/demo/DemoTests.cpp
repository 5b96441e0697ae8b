// The live demo's own logic: its command line, the picture area, the scale
// bar, and an overlay that is crisp (only key and solid colours) and stays
// inside the picture area.
#include "CDemoOptions.h"
#include "CDemoOverlay.h"
#include "CLiveDemoWindow.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace
{
struct SParseResult
{
    BOOL bParsed;
    std::wstring strError;
};

SParseResult Parse(CDemoOptions& options, std::vector<LPCWSTR> vecArgs)
{
    CString strError;
    const BOOL bParsed = options.Parse(static_cast<int>(vecArgs.size()), vecArgs.data(), strError);
    return SParseResult{ bParsed, std::wstring(static_cast<LPCWSTR>(strError)) };
}

std::string Describe(const CRect& rc)
{
    return "(" + std::to_string(rc.left) + ", " + std::to_string(rc.top) + ", " + std::to_string(rc.right) + ", "
           + std::to_string(rc.bottom) + ")";
}
}

TEST(DemoOptions, DefaultsAreAnInteractiveGreyRun)
{
    CDemoOptions options;
    ASSERT_TRUE(Parse(options, {}).bParsed);
    EXPECT_EQ(0, options.m_nSeconds);
    EXPECT_FALSE(options.IsHeadless());
    EXPECT_TRUE(options.m_strScreenshot.IsEmpty());
    EXPECT_FALSE(options.m_bShowFrameRate);
    EXPECT_FALSE(options.m_bColour);
}

TEST(DemoOptions, ReadsEveryOption)
{
    CDemoOptions options;
    const SParseResult result =
        Parse(options, { L"--fps", L"--seconds", L"5", L"--screenshot", L"Z:\\out dir\\live.png", L"--colour" });
    ASSERT_TRUE(result.bParsed) << std::string(result.strError.begin(), result.strError.end());
    EXPECT_EQ(5, options.m_nSeconds);
    EXPECT_TRUE(options.IsHeadless());
    EXPECT_STREQ(L"Z:\\out dir\\live.png", options.m_strScreenshot);
    EXPECT_TRUE(options.m_bShowFrameRate);
    EXPECT_TRUE(options.m_bColour);
}

TEST(DemoOptions, SecondsFromOneToADay)
{
    CDemoOptions options;
    ASSERT_TRUE(Parse(options, { L"--seconds", L"1" }).bParsed);
    EXPECT_EQ(1, options.m_nSeconds);
    ASSERT_TRUE(Parse(options, { L"--seconds", L"86400" }).bParsed);
    EXPECT_EQ(86400, options.m_nSeconds);

    const std::wstring strExpected = L"--seconds needs a whole number from 1 to 86400";
    for (LPCWSTR pszValue : { L"0", L"86401", L"-3", L"2.5", L"5x", L"", L"x5", L"99999999999" })
    {
        CDemoOptions fresh;
        const SParseResult result = Parse(fresh, { L"--seconds", pszValue });
        EXPECT_FALSE(result.bParsed) << "value \"" << testing::PrintToString(std::wstring(pszValue)) << "\"";
        EXPECT_EQ(strExpected, result.strError);
    }
    CDemoOptions missing;
    const SParseResult result = Parse(missing, { L"--fps", L"--seconds" });
    EXPECT_FALSE(result.bParsed);
    EXPECT_EQ(strExpected, result.strError);
}

TEST(DemoOptions, RefusesUnknownOptionsAndMissingFileNames)
{
    const struct
    {
        std::vector<LPCWSTR> vecArgs;
        const wchar_t* pszError;
    } aCases[] = {
        { { L"--screenshot" }, L"--screenshot needs a file name" },
        { { L"--screenshot", L"" }, L"--screenshot needs a file name" },
        { { L"--frames" }, L"unknown option --frames" },
        { { L"--fps", L"seconds", L"5" }, L"unknown option seconds" },
        { { L"--FPS" }, L"unknown option --FPS" },
    };
    for (const auto& c : aCases)
    {
        CDemoOptions options;
        const SParseResult result = Parse(options, c.vecArgs);
        EXPECT_FALSE(result.bParsed);
        EXPECT_EQ(std::wstring(c.pszError), result.strError);
    }
}

TEST(DemoPictureArea, FillsTheRoomInsideTheMarginWithThePicturesAspect)
{
    const struct
    {
        CRect rcClient;
        CSize sizePicture;
        CRect rcExpected;
    } aCases[] = {
        { CRect(0, 0, 672, 512), CSize(640, 480), CRect(16, 16, 656, 496) },        // 1:1
        { CRect(0, 0, 1000, 512), CSize(640, 480), CRect(180, 16, 820, 496) },      // wide: centred across
        { CRect(0, 0, 672, 900), CSize(640, 480), CRect(16, 210, 656, 690) },       // tall: centred down
        { CRect(100, 50, 772, 562), CSize(640, 480), CRect(116, 66, 756, 546) },    // client not at 0, 0
        { CRect(0, 0, 672, 512), CSize(1280, 1024), CRect(36, 16, 636, 496) },      // 5:4 in 4:3 room
        { CRect(0, 0, 33, 33), CSize(640, 480), CRect(16, 16, 17, 17) },            // one pixel of room
    };
    for (const auto& c : aCases)
    {
        const CRect rcArea = CLiveDemoWindow::CalculatePictureArea(c.rcClient, c.sizePicture);
        EXPECT_TRUE(rcArea == c.rcExpected) << "client " << Describe(c.rcClient) << ": got " << Describe(rcArea)
                                            << ", expected " << Describe(c.rcExpected);
    }
}

TEST(DemoPictureArea, EmptyWithoutRoomOrPictureSize)
{
    EXPECT_TRUE(CLiveDemoWindow::CalculatePictureArea(CRect(0, 0, 32, 32), CSize(640, 480)).IsRectEmpty());
    EXPECT_TRUE(CLiveDemoWindow::CalculatePictureArea(CRect(0, 0, 32, 500), CSize(640, 480)).IsRectEmpty());
    EXPECT_TRUE(CLiveDemoWindow::CalculatePictureArea(CRect(0, 0, 672, 512), CSize(0, 480)).IsRectEmpty());
    EXPECT_TRUE(CLiveDemoWindow::CalculatePictureArea(CRect(0, 0, 672, 512), CSize(640, 0)).IsRectEmpty());
}

TEST(DemoScaleBar, LongestRoundLengthWithinAQuarterOfTheArea)
{
    EXPECT_EQ(100, CDemoOverlay::ChooseScalePixels(640, 640));     // 100 of 160 screen pixels
    EXPECT_EQ(100, CDemoOverlay::ChooseScalePixels(829, 640));     // 130 of 207
    EXPECT_EQ(200, CDemoOverlay::ChooseScalePixels(640, 1280));    // 100 of 160
    EXPECT_EQ(1000, CDemoOverlay::ChooseScalePixels(640, 4096));   // 156 of 160
    EXPECT_EQ(200, CDemoOverlay::ChooseScalePixels(4, 640));       // one screen pixel
    EXPECT_EQ(0, CDemoOverlay::ChooseScalePixels(3, 640)) << "no room for a bar of one pixel";
    EXPECT_EQ(0, CDemoOverlay::ChooseScalePixels(0, 640));
    EXPECT_EQ(0, CDemoOverlay::ChooseScalePixels(640, 0));
}

namespace
{
const COLORREF g_crKey = RGB(255, 0, 255);
const COLORREF g_crOutside = RGB(1, 2, 3);
const COLORREF g_crPicture = RGB(128, 128, 128);
const CRect g_rcArea(40, 20, 360, 260);
const wchar_t g_szCaption[] = L"Camera started - grey 640 x 480\nSpace start/stop   G grey   C colour   Esc quit";

// A 400 x 300 window-sized 32-bit picture to draw the overlay into.
class DemoOverlayPixels : public ::testing::Test
{
protected:
    void SetUp() override
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = m_nWidth;
        info.bmiHeader.biHeight = -m_nHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* pBits = nullptr;
        ASSERT_TRUE(m_dc.CreateCompatibleDC(nullptr));
        ASSERT_TRUE(m_bitmap.Attach(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pBits, nullptr, 0)));
        m_pPixels = static_cast<DWORD*>(pBits);
        m_pOldBitmap = m_dc.SelectObject(&m_bitmap);
        m_dc.FillSolidRect(0, 0, m_nWidth, m_nHeight, g_crOutside);
    }
    void TearDown() override
    {
        if (m_pOldBitmap != nullptr)
            m_dc.SelectObject(m_pOldBitmap);
    }

    COLORREF PixelAt(int x, int y)
    {
        GdiFlush();
        const DWORD dw = m_pPixels[y * m_nWidth + x];
        return RGB((dw >> 16) & 0xFF, (dw >> 8) & 0xFF, dw & 0xFF);
    }
    void ExpectOutsideUntouched()
    {
        int nTouched = 0;
        for (int y = 0; y < m_nHeight; ++y)
            for (int x = 0; x < m_nWidth; ++x)
                nTouched += !g_rcArea.PtInRect(CPoint(x, y)) && PixelAt(x, y) != g_crOutside;
        EXPECT_EQ(0, nTouched) << "pixels drawn outside the picture area";
    }

    static const int m_nWidth = 400;
    static const int m_nHeight = 300;
    CDC m_dc;
    CBitmap m_bitmap;
    CBitmap* m_pOldBitmap = nullptr;
    DWORD* m_pPixels = nullptr;
    CDemoOverlay m_overlay{ g_crKey };
};
}

TEST_F(DemoOverlayPixels, MaskIsKeyColourAndAFewSolidColoursOnly)
{
    m_overlay.DrawMask(m_dc, g_rcArea, CSize(640, 480), g_szCaption);

    std::set<COLORREF> setColours;
    int nKey = 0;
    for (int y = g_rcArea.top; y < g_rcArea.bottom; ++y)
        for (int x = g_rcArea.left; x < g_rcArea.right; ++x)
        {
            const COLORREF cr = PixelAt(x, y);
            setColours.insert(cr);
            nKey += cr == g_crKey;
        }
    // Smoothed lines or text would blend into the key colour: dozens of shades.
    EXPECT_LE(setColours.size(), 6u);
    EXPECT_GE(setColours.size(), 4u) << "crosshair, scale bar and caption are there";
    EXPECT_GT(nKey, g_rcArea.Width() * g_rcArea.Height() * 3 / 4) << "most of the picture stays visible";
    EXPECT_NE(g_crKey, PixelAt(g_rcArea.CenterPoint().x, g_rcArea.CenterPoint().y)) << "the crosshair's centre";

    // The corner where the library writes its frame rate and messages stays clear.
    for (int y = g_rcArea.top; y < g_rcArea.top + 70; ++y)
        for (int x = g_rcArea.left; x < g_rcArea.left + 100; ++x)
            ASSERT_EQ(g_crKey, PixelAt(x, y)) << "x " << x << " y " << y;
    ExpectOutsideUntouched();
}

TEST_F(DemoOverlayPixels, MarksOverAPictureLeaveItAndNeverUseTheKey)
{
    m_dc.FillSolidRect(&g_rcArea, g_crPicture);
    m_overlay.DrawMarks(m_dc, g_rcArea, CSize(640, 480), g_szCaption);

    int nPicture = 0, nKey = 0;
    for (int y = g_rcArea.top; y < g_rcArea.bottom; ++y)
        for (int x = g_rcArea.left; x < g_rcArea.right; ++x)
        {
            nPicture += PixelAt(x, y) == g_crPicture;
            nKey += PixelAt(x, y) == g_crKey;
        }
    EXPECT_EQ(0, nKey);
    EXPECT_GT(nPicture, g_rcArea.Width() * g_rcArea.Height() * 3 / 4);
    EXPECT_NE(g_crPicture, PixelAt(g_rcArea.CenterPoint().x, g_rcArea.CenterPoint().y));
    ExpectOutsideUntouched();
}

TEST_F(DemoOverlayPixels, NothingForAnEmptyArea)
{
    m_overlay.DrawMarks(m_dc, CRect(50, 50, 50, 200), CSize(640, 480), g_szCaption);
    for (int y = 0; y < m_nHeight; ++y)
        for (int x = 0; x < m_nWidth; ++x)
            ASSERT_EQ(g_crOutside, PixelAt(x, y)) << "x " << x << " y " << y;
}
