// LiveTestFixture.h: a client driving the test server with a real live window.
#pragma once

#include "KivoTestSupport.h"
#include "TestCameraServer.h"
#include "KivoConfiguration.h"
#include "KivoRegKey.h"

const COLORREF LIVE_KEY = RGB(255, 0, 255);
// The overlay that the paint handler draws: this colour over the picture
// area's top-left corner, the key colour elsewhere. A window may ask for a
// colour of its own (SetOverlayColourOf), so that a test can tell whose
// overlay it sees.
const COLORREF OVERLAY_COLOUR = RGB(255, 255, 0);
inline void SetOverlayColourOf(HWND hWnd, COLORREF cr)
{
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, static_cast<LONG_PTR>(cr) + 1);
}
inline COLORREF OverlayColourOf(HWND hWnd)
{
    const LONG_PTR n = GetWindowLongPtrW(hWnd, GWLP_USERDATA);
    return n != 0 ? static_cast<COLORREF>(n - 1) : OVERLAY_COLOUR;
}

// A value under the library's configuration key, created when missing.
inline void WriteConfiguration(LPCWSTR pszName, DWORD dwType, const void* pData, DWORD nBytes)
{
    CKIVORegKey key;
    ASSERT_EQ(ERROR_SUCCESS, Kivo::CreateRegKey(key, HKEY_LOCAL_MACHINE, KIVO_CONFIGURATION_KEY, KEY_WRITE));
    EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), pszName, 0, dwType, static_cast<const BYTE*>(pData), nBytes));
}
inline void DeleteConfiguration()
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, KIVO_CONFIGURATION_KEY);
}

class LiveWindowTest : public ::testing::Test
{
protected:
    // The picture area within the window, and the served grey ramp's size.
    static constexpr int LEFT = 10, TOP = 20, WIDTH = 128, HEIGHT = 96;
    static constexpr int PICTURE_WIDTH = 64, PICTURE_HEIGHT = 48;

    void SetUp() override;
    void TearDown() override;

    CTestCameraScript& Script() { return TestServer().Script(); }
    void ServeGreyRamp(bool bDeliver = true);
    void SetShowFPS(bool bOn);   // read when the live picture thread starts
    void StartLive();
    // Lets the live thread make at least n more picture fetches.
    bool WaitForFetches(size_t nMore);
    void EraseWindow();
    COLORREF WindowPixel(int x, int y);
    bool GreyAt(int x, int y);
    // The ramp scaled twice into the area: column LEFT + 2k of the row shows grey 4k.
    bool RampShown(int nRow);
    // The paint handler's overlay over the picture, the picture seen through its key colour.
    bool OverlayShown()
    {
        return WindowPixel(LEFT + 2, TOP + 2) == OverlayColourOf(m_hWnd) && GreyAt(LEFT + 40, TOP + 40);
    }
    // The percentage of pixels of this colour in the room that the text takes
    // at (x, y) in a DC's default font, the one the library writes its frame
    // rate and picture messages in.
    int PercentIn(COLORREF cr, int x, int y, LPCTSTR pszText);

    HWND m_hWnd = nullptr;
    CTestableClient m_client;

public:
    // When set, the window's paint handler draws an overlay into this
    // client's overlay device, as an application would.
    static CTestableClient* s_pPaintingClient;
};
