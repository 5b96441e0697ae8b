// LiveTestFixture.h: a client driving the test server with a real live window.
#pragma once

#include "KivoTestSupport.h"
#include "TestCameraServer.h"
#include "KivoConfiguration.h"
#include "KivoGdiplus.h"
#include "KivoWindowDC.h"

#include <functional>
#include <vector>

const COLORREF LIVE_KEY = RGB(255, 0, 255);
// The overlay that the paint handler draws: a block of this colour over the
// picture area's top-left corner, the key colour elsewhere.
const COLORREF OVERLAY_COLOUR = RGB(255, 255, 0);
const int OVERLAY_BLOCK = 6;

class LiveWindowTest : public ::testing::Test
{
protected:
    // The picture area within the window, and the served picture's size.
    static constexpr int LEFT = 10, TOP = 20, WIDTH = 128, HEIGHT = 96;
    static constexpr int PICTURE_WIDTH = 64, PICTURE_HEIGHT = 48;

    void SetUp() override;
    void TearDown() override;

    CTestCameraScript& Script() { return TestServer().Script(); }
    void ServeGreyRamp(bool bDeliver = true);
    void SetShowFPS(bool bOn);
    void StartLive();

    // Pumps this thread's messages until the condition holds (at most ~30 s).
    bool WaitFor(const std::function<bool()>& fnCondition);
    // Lets the live thread make at least n more picture fetches.
    bool WaitForFetches(size_t nMore);
    COLORREF WindowPixel(int x, int y, HWND hWnd = nullptr);
    // The paint handler's overlay block shows over the picture.
    bool OverlayShown(HWND hWnd = nullptr) { return WindowPixel(LEFT + 2, TOP + 2, hWnd) == OVERLAY_COLOUR; }
    // Pixels of the window rectangle that have exactly this colour.
    int CountPixels(const RECT& rect, COLORREF cr);
    // The room text takes in a DC's default font, the one the library writes
    // its frame rate and picture messages in.
    CSize MeasureDefaultText(LPCTSTR pszText);

    HWND m_hWnd = nullptr;
    CTestableClient m_client;

public:
    // When set, the window's paint handler draws an overlay, as an
    // application would, so the live thread stops asking for one.
    static bool s_bPaintOverlay;
    static CTestableClient* s_pPaintingClient;
};
