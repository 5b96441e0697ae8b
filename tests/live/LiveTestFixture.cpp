// LiveTestFixture.cpp: a client driving the test server with a real live window.
#include "LiveTestFixture.h"

bool LiveWindowTest::s_bPaintOverlay = false;
CTestableClient* LiveWindowTest::s_pPaintingClient = nullptr;

namespace
{
LRESULT CALLBACK LiveWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage == WM_PAINT)
    {
        PAINTSTRUCT ps;
        HDC hDC = BeginPaint(hWnd, &ps);   // the background brush erases; the library paints the rest
        if (LiveWindowTest::s_bPaintOverlay && LiveWindowTest::s_pPaintingClient != nullptr)
        {
            CDC dc;
            dc.Attach(hDC);
            CRect rect(0, 0, 320, 240);
            CKIVOClientMaskPaintDC* pMask = LiveWindowTest::s_pPaintingClient->GetMaskPaintDC(&dc, rect);
            if (pMask != nullptr)
            {
                pMask->FillSolidRect(&rect, LIVE_KEY);
                pMask->FillSolidRect(0, 0, OVERLAY_BLOCK, OVERLAY_BLOCK, OVERLAY_COLOUR);
                LiveWindowTest::s_pPaintingClient->ReleaseMaskPaintDC();
            }
            dc.Detach();
        }
        EndPaint(hWnd, &ps);
        return 0;
    }
    return DefWindowProcW(hWnd, nMessage, wParam, lParam);
}

void WriteShowFPS(DWORD dwValue)
{
    HKEY hKey = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, KIVO_CONFIGURATION_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &hKey,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(hKey, L"KivoClientShowFPS", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwValue), 4);
    RegCloseKey(hKey);
}
}

void LiveWindowTest::SetUp()
{
    s_pPaintingClient = &m_client;
    Script().Reset();
    SetShowFPS(false);
    static ATOM s_atom = 0;
    if (s_atom == 0)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = LiveWindowProc;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = L"KivoLiveTestWindow";
        s_atom = RegisterClassW(&wc);
    }
    // One window serves every test: hiding or destroying a window costs Wine
    // seconds on a display without a window manager.
    static HWND s_hWnd = nullptr;
    if (s_hWnd == nullptr)
        s_hWnd = CreateWindowExW(0, L"KivoLiveTestWindow", L"live", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240,
                                 nullptr, nullptr, nullptr, nullptr);
    m_hWnd = s_hWnd;
    ASSERT_NE(nullptr, m_hWnd);
    SetWindowPos(m_hWnd, nullptr, 0, 0, 320, 240, SWP_NOZORDER);
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);

    Script().SetIntProp(LIVEWINDOW, static_cast<long>(reinterpret_cast<INT_PTR>(m_hWnd)));
    Script().SetIntProp(CONTROLFLAGS, KIVO_CLIENT_DRAWN_LIVE);
    Script().SetIntProp(LIVELEFT, LEFT);
    Script().SetIntProp(LIVETOP, TOP);
    Script().SetIntProp(LIVECOLOR, static_cast<long>(LIVE_KEY));
    ServeGreyRamp();
    m_client.Connect();
    m_client.SetPropValueInt(LIVEWIDTH, WIDTH);   // kept in the client's copy
    m_client.SetPropValueInt(LIVEHEIGHT, HEIGHT);
    m_client.SetPropValueInt(LIVEDISPLAY, 1);
}

void LiveWindowTest::TearDown()
{
    s_bPaintOverlay = false;
    s_pPaintingClient = nullptr;
    m_client.ReleaseMaskPaintDC();
    Script().SetResult("Stop", S_OK);
    try
    {
        m_client.Stop(0);
    }
    catch (CException* pException)
    {
        pException->Delete();
    }
    m_client.Disconnect();
    SetShowFPS(false);
    Script().Reset();
}

void LiveWindowTest::ServeGreyRamp(bool bDeliver)
{
    CTestPicture picture;
    picture.nWidth = PICTURE_WIDTH;
    picture.nHeight = PICTURE_HEIGHT;
    picture.nBytesPerPixel = 1;
    picture.nFormat = 1;
    for (int y = 0; y < PICTURE_HEIGHT; ++y)
        for (int x = 0; x < PICTURE_WIDTH; ++x)
            picture.bytes.push_back(static_cast<BYTE>(x * 4));
    Script().SetLivePicture(picture, bDeliver);
}

void LiveWindowTest::SetShowFPS(bool bOn)
{
    if (bOn)
        WriteShowFPS(1);
    else
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, KIVO_CONFIGURATION_KEY);
}

void LiveWindowTest::StartLive()
{
    ASSERT_NE(0, m_client.OrderCamera());
    m_client.Start(0);
    ASSERT_TRUE(m_client.Worker().IsThreadRunning());
}

bool LiveWindowTest::WaitFor(const std::function<bool()>& fnCondition)
{
    return PumpUntil(fnCondition);
}

bool LiveWindowTest::WaitForFetches(size_t nMore)
{
    size_t nTarget = Script().CountCalls("Get3DLivePicture") + nMore;
    return WaitFor([&] { return Script().CountCalls("Get3DLivePicture") >= nTarget; });
}

COLORREF LiveWindowTest::WindowPixel(int x, int y, HWND hWnd)
{
    if (hWnd == nullptr)
        hWnd = m_hWnd;
    HDC hDC = GetDC(hWnd);
    COLORREF cr = GetPixel(hDC, x, y);
    ReleaseDC(hWnd, hDC);
    return cr;
}

CSize LiveWindowTest::MeasureDefaultText(LPCTSTR pszText)
{
    CKIVOWindowDC windowDC(m_hWnd);
    return windowDC.Get() != NULL ? windowDC.Get()->GetTextExtent(pszText, lstrlen(pszText)) : CSize(0, 0);
}

int LiveWindowTest::CountPixels(const RECT& rect, COLORREF cr)
{
    HDC hDC = GetDC(m_hWnd);
    int n = 0;
    for (int y = rect.top; y < rect.bottom; ++y)
        for (int x = rect.left; x < rect.right; ++x)
            n += GetPixel(hDC, x, y) == cr ? 1 : 0;
    ReleaseDC(m_hWnd, hDC);
    return n;
}
