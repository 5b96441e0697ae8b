// The live demo's own logic: its command line, the picture area, the scale
// bar, and an overlay that is crisp (only key and solid colours) and stays
// inside the picture area.
#include "CDemoOptions.h"
#include "CDemoOverlay.h"
#include "CLiveDemoWindow.h"

#include <gtest/gtest.h>

#include "TestCanvas.h"

#include <algorithm>
#include <map>
#include <vector>

TEST(DemoOptions, ReadsEveryOption)
{
    // clang-format off
    const struct { std::vector<LPCWSTR> vecArgs; int nSeconds; bool bFps, bColour; const wchar_t* pszScreenshot; }
        aCases[] = {
        { {}, 30, false, false, L"" },                      // a grey run that ends by itself
        { { L"--seconds", L"0" }, 0, false, false, L"" },   // until the window is closed
        { { L"--fps", L"--seconds", L"5", L"--screenshot", L"Z:\\out dir\\live.png", L"--colour" },
          5,
          true,
          true,
          L"Z:\\out dir\\live.png" },
        { { L"--seconds", L"1" }, 1, false, false, L"" },
        { { L"--seconds", L"86400" }, 86400, false, false, L"" },
    };
    // clang-format on
    for (const auto& c : aCases)
    {
        CDemoOptions options;
        CString strError;
        ASSERT_TRUE(options.Parse(static_cast<int>(c.vecArgs.size()), c.vecArgs.data(), strError)) << c.nSeconds;
        EXPECT_EQ(c.nSeconds, options.m_nSeconds);
        EXPECT_EQ(c.nSeconds != 0, options.IsHeadless() != FALSE);
        EXPECT_EQ(c.bFps, options.m_bShowFrameRate != FALSE);
        EXPECT_EQ(c.bColour, options.m_bColour != FALSE);
        EXPECT_STREQ(c.pszScreenshot, options.m_strScreenshot);
        EXPECT_FALSE(options.m_bHelp);
    }
    for (LPCWSTR pszHelp : { L"--help", L"-h", L"/?" })
    {
        CDemoOptions options;
        CString strError;
        EXPECT_TRUE(options.Parse(1, &pszHelp, strError) && options.m_bHelp) << pszHelp;
    }
}

TEST(DemoOptions, RefusesWhatItDoesNotKnowWithItsReason)
{
    const wchar_t* pszSeconds = L"--seconds needs a whole number from 0 to 86400";
    // clang-format off
    const struct { std::vector<LPCWSTR> vecArgs; const wchar_t* pszError; } aCases[] = {
        { { L"--seconds", L"86401" }, pszSeconds },
        { { L"--seconds", L"-3" }, pszSeconds }, { { L"--seconds", L"2.5" }, pszSeconds },
        { { L"--seconds", L"5x" }, pszSeconds }, { { L"--seconds", L"" }, pszSeconds },
        { { L"--seconds", L"99999999999" }, pszSeconds }, { { L"--fps", L"--seconds" }, pszSeconds },
        { { L"--screenshot" }, L"--screenshot needs a file name" },
        { { L"--screenshot", L"" }, L"--screenshot needs a file name" },
        { { L"--fps", L"seconds", L"5" }, L"unknown option seconds" },
        { { L"--FPS" }, L"unknown option --FPS" },
    };
    // clang-format on
    for (const auto& c : aCases)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.vecArgs.back())));
        CDemoOptions options;
        CString strError;
        EXPECT_FALSE(options.Parse(static_cast<int>(c.vecArgs.size()), c.vecArgs.data(), strError));
        EXPECT_STREQ(c.pszError, strError);
    }
}

TEST(DemoPictureArea, FillsTheRoomInsideTheMarginWithThePicturesAspect)
{
    // clang-format off
    const struct { CRect rcClient; CSize sizePicture; CRect rcExpected; } aCases[] = {
        { CRect(0, 0, 672, 512), CSize(640, 480), CRect(16, 16, 656, 496) },        // 1:1
        { CRect(0, 0, 1000, 512), CSize(640, 480), CRect(180, 16, 820, 496) },      // wide: centred across
        { CRect(0, 0, 672, 900), CSize(640, 480), CRect(16, 210, 656, 690) },       // tall: centred down
        { CRect(100, 50, 772, 562), CSize(640, 480), CRect(116, 66, 756, 546) },    // client not at 0, 0
        { CRect(0, 0, 672, 512), CSize(1280, 1024), CRect(36, 16, 636, 496) },      // 5:4 in 4:3 room
        { CRect(0, 0, 33, 33), CSize(640, 480), CRect(16, 16, 17, 17) },            // one pixel of room
        { CRect(0, 0, 32, 500), CSize(640, 480), CRect() },                         // no room
        { CRect(0, 0, 672, 512), CSize(640, 0), CRect() },                          // no picture size
    };
    // clang-format on
    for (size_t i = 0; i < sizeof(aCases) / sizeof(aCases[0]); ++i)
    {
        const CRect rcArea = CLiveDemoWindow::CalculatePictureArea(aCases[i].rcClient, aCases[i].sizePicture);
        EXPECT_TRUE(aCases[i].rcExpected.IsRectEmpty() ? rcArea.IsRectEmpty() : rcArea == aCases[i].rcExpected)
            << "case " << i << ": " << rcArea.left << ", " << rcArea.top << ", " << rcArea.right << ", "
            << rcArea.bottom;
    }
}

TEST(DemoScaleBar, LongestRoundLengthWithinAQuarterOfTheArea)
{
    EXPECT_EQ(100, CDemoOverlay::ChooseScalePixels(640, 640));   // 100 of 160 screen pixels
    EXPECT_EQ(200, CDemoOverlay::ChooseScalePixels(4, 640));     // one screen pixel
    EXPECT_EQ(0, CDemoOverlay::ChooseScalePixels(3, 640)) << "no room for a bar of one pixel";
    EXPECT_EQ(0, CDemoOverlay::ChooseScalePixels(640, 0));
}

namespace
{
const COLORREF g_crKey = RGB(255, 0, 255);
const COLORREF g_crOutside = RGB(1, 2, 3);
const COLORREF g_crPicture = RGB(128, 128, 128);
const COLORREF g_crWhite = RGB(255, 255, 255);   // the scale bar, the caption's frame and text
const wchar_t g_szCaption[] = L"Camera started - grey 640 x 480\nSpace start/stop   G grey   C colour   Esc quit";

// A window-sized 32-bit picture to draw the overlay into.
class DemoOverlayPixels : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_canvas.IsValid()); }

    COLORREF PixelAt(int x, int y) const { return m_canvas.Pixel(x, y); }
    // Pixels of each colour inside rc, those inside rcLeftOut not counted.
    std::map<COLORREF, int> CountColours(const CRect& rc, const CRect& rcLeftOut = CRect(0, 0, 0, 0)) const
    {
        GdiFlush();
        std::map<COLORREF, int> mapCounts;
        for (int y = rc.top; y < rc.bottom; ++y)
            for (int x = rc.left; x < rc.right; ++x)
                if (!rcLeftOut.PtInRect(CPoint(x, y)))
                    ++mapCounts[PixelAt(x, y)];
        return mapCounts;
    }
    int CountTouchedOutside(const CRect& rcArea) const
    {
        const std::map<COLORREF, int> mapCounts = CountColours(CRect(0, 0, m_nWidth, m_nHeight), rcArea);
        return m_nWidth * m_nHeight - rcArea.Width() * rcArea.Height() - mapCounts.at(g_crOutside);
    }
    // Where the library writes its frame rate (at 10, 10) and its picture
    // messages (at 10, 50) over the picture, in a DC's default font.
    CRect MeasureLibraryCorner(const CRect& rcArea)
    {
        TEXTMETRIC tm = {};
        EXPECT_TRUE(m_dc.GetTextMetrics(&tm));
        int nWidest = 0;
        for (LPCWSTR psz : { L"NO PIC!", L"ERROR!", L"999.9 fps" })
            nWidest = (std::max)(nWidest, static_cast<int>(m_dc.GetTextExtent(psz, lstrlenW(psz)).cx));
        return CRect(rcArea.left, rcArea.top, rcArea.left + 10 + nWidest, rcArea.top + 50 + tm.tmHeight);
    }

    static const int m_nWidth = 1300;
    static const int m_nHeight = 1000;
    CTestCanvas m_canvas{ m_nWidth, m_nHeight, g_crOutside };
    CDC& m_dc = *m_canvas.DC();
    CDemoOverlay m_overlay{ g_crKey };
};
}

// Whatever the area's size: nothing outside it, only the key colour and a few
// solid ones, the crosshair at the centre; the caption shortened to the area
// and the scale bar where they fit, left out where they do not.
TEST_F(DemoOverlayPixels, MarksStayInsideTheAreaAndFitItOrAreLeftOut)
{
    const struct
    {
        const char* pszName;
        CRect rcArea;
        bool bCaption;
        bool bScaleBar;
        bool bCornerClear;   // the library's text at the top-left stays readable
    } aCases[] = {
        { "very narrow", CRect(600, 20, 640, 400), false, false, false },
        { "ten pixels high", CRect(40, 600, 360, 610), false, false, false },
        { "low", CRect(40, 700, 360, 780), false, true, false },
        { "small", CRect(800, 600, 920, 720), true, true, false },
        { "typical", CRect(40, 20, 360, 260), true, true, true },
        { "large", CRect(30, 30, 1270, 960), true, true, true },
    };
    CFont* pOldFont = m_dc.SelectObject(m_overlay.GetCaptionFont());
    TEXTMETRIC tmCaption = {};
    ASSERT_TRUE(m_dc.GetTextMetrics(&tmCaption));
    const CString strCaption(g_szCaption);
    const int nBreak = strCaption.Find(L'\n');
    const int nWidestLine = static_cast<int>(
        (std::max)(m_dc.GetTextExtent(strCaption.Left(nBreak)).cx, m_dc.GetTextExtent(strCaption.Mid(nBreak + 1)).cx));
    m_dc.SelectObject(pOldFont);

    for (const auto& c : aCases)
    {
        SCOPED_TRACE(c.pszName);
        const CRect& rcArea = c.rcArea;
        m_dc.FillSolidRect(0, 0, m_nWidth, m_nHeight, g_crOutside);
        m_overlay.DrawMask(m_dc, rcArea, CSize(640, 480), g_szCaption);
        EXPECT_EQ(0, CountTouchedOutside(rcArea)) << "pixels drawn outside the picture area";

        // Smoothed lines or text would blend into the key colour: dozens of shades.
        const std::map<COLORREF, int> mapColours = CountColours(rcArea);
        EXPECT_LE(mapColours.size(), 6u);
        EXPECT_GT(mapColours.at(g_crKey), rcArea.Width() * rcArea.Height() / 2) << "most of the picture shows";
        EXPECT_NE(g_crKey, PixelAt(rcArea.CenterPoint().x, rcArea.CenterPoint().y)) << "the crosshair's centre";

        // The caption box: white-framed in the bottom-left corner, as wide as
        // its lines or shortened to the area, as many lines high as fit.
        const CRect rcBox = m_overlay.CalculateCaptionBox(m_dc, rcArea, g_szCaption);
        ASSERT_EQ(c.bCaption, !rcBox.IsRectEmpty());
        if (c.bCaption)
        {
            const int nPaddingX = 12, nPaddingY = 8;   // frame and space around the text, both sides together
            const int nMargin = rcBox.left - rcArea.left;
            const int nRoom = rcArea.Width() - 2 * nMargin;
            EXPECT_EQ(rcArea.bottom - nMargin, rcBox.bottom);
            EXPECT_GE(rcBox.Width(), (std::min)(nWidestLine + nPaddingX, nRoom))
                << "lines of " << nWidestLine << " pixels, a room of " << nRoom;
            EXPECT_LE(rcBox.Width(), nRoom);
            const int nHeightAllowed = (std::min)(rcArea.Height() - 2 * nMargin, rcArea.Height() / 4);
            const int nLinesFitting = (nHeightAllowed - nPaddingY) / tmCaption.tmHeight;
            EXPECT_EQ((std::min)(2, nLinesFitting) * tmCaption.tmHeight + nPaddingY, rcBox.Height());
            EXPECT_EQ(g_crWhite, PixelAt(rcBox.left, rcBox.bottom - 1));
        }
        // Outside the caption box only the scale bar draws white.
        const std::map<COLORREF, int> mapBesideCaption = CountColours(rcArea, rcBox);
        EXPECT_EQ(c.bScaleBar, mapBesideCaption.count(g_crWhite) != 0);

        if (c.bCornerClear)
        {
            const CRect rcCorner = MeasureLibraryCorner(rcArea);
            const std::map<COLORREF, int> mapCorner = CountColours(rcCorner);
            EXPECT_EQ(rcCorner.Width() * rcCorner.Height(), mapCorner.at(g_crKey));
        }

        // The marks alone, over a picture: no key colour, and still inside.
        m_dc.FillSolidRect(0, 0, m_nWidth, m_nHeight, g_crOutside);
        m_dc.FillSolidRect(&rcArea, g_crPicture);
        m_overlay.DrawMarks(m_dc, rcArea, CSize(640, 480), g_szCaption);
        EXPECT_EQ(0, CountTouchedOutside(rcArea)) << "pixels drawn outside the picture area";
        const std::map<COLORREF, int> mapOverPicture = CountColours(rcArea);
        EXPECT_EQ(0u, mapOverPicture.count(g_crKey));
        EXPECT_GT(mapOverPicture.at(g_crPicture), rcArea.Width() * rcArea.Height() / 2);
        EXPECT_NE(g_crPicture, PixelAt(rcArea.CenterPoint().x, rcArea.CenterPoint().y));
    }
}

TEST_F(DemoOverlayPixels, NothingForAnEmptyArea)
{
    m_overlay.DrawMarks(m_dc, CRect(50, 50, 50, 200), CSize(640, 480), g_szCaption);
    EXPECT_EQ(0, CountTouchedOutside(CRect()));
}
