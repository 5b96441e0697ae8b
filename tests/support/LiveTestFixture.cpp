// LiveTestFixture.cpp: a client driving the test server with a real live window.
#include "LiveTestFixture.h"
#include "KivoWindowDC.h"
#include "RenderTestSupport.h"

CTestableClient* LiveWindowTest::s_pPaintingClient = nullptr;

namespace
{
LRESULT CALLBACK LiveWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    if (nMessage != WM_PAINT)
        return DefWindowProcW(hWnd, nMessage, wParam, lParam);
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(hWnd, &ps);   // the background brush erases; the library paints the rest
    if (LiveWindowTest::s_pPaintingClient != nullptr)
    {
        CDC dc;
        dc.Attach(hDC);
        CRect rect(0, 0, 320, 240);
        CKIVOClientMaskPaintDC* pMask = LiveWindowTest::s_pPaintingClient->GetMaskPaintDC(&dc, rect);
        if (pMask != nullptr)
        {
            pMask->FillSolidRect(&rect, LIVE_KEY);
            pMask->FillSolidRect(0, 0, 6, 6, OverlayColourOf(hWnd));
            LiveWindowTest::s_pPaintingClient->ReleaseMaskPaintDC();
        }
        dc.Detach();
    }
    EndPaint(hWnd, &ps);
    return 0;
}
}

void LiveWindowTest::SetUp()
{
    Script().Reset();
    SetShowFPS(false);
    // One window serves every test: hiding or destroying a window costs Wine
    // seconds on a display without a window manager.
    static HWND s_hWnd = nullptr;
    if (s_hWnd == nullptr)
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = LiveWindowProc;
        wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        wc.lpszClassName = L"KivoLiveTestWindow";
        RegisterClassW(&wc);
        s_hWnd = CreateWindowExW(0, L"KivoLiveTestWindow", L"live", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr,
                                 nullptr, nullptr, nullptr);
    }
    m_hWnd = s_hWnd;
    ASSERT_NE(nullptr, m_hWnd);
    SetWindowPos(m_hWnd, nullptr, 0, 0, 320, 240, SWP_NOZORDER);
    EraseWindow();

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
    picture.bytes = GreyRamp(PICTURE_WIDTH, PICTURE_HEIGHT, 4);
    Script().SetLivePicture(picture, bDeliver);
}

void LiveWindowTest::SetShowFPS(bool bOn)
{
    const DWORD dwOn = 1;
    if (bOn)
        WriteConfiguration(L"KivoClientShowFPS", REG_DWORD, &dwOn, 4);
    else
        DeleteConfiguration();
}

void LiveWindowTest::StartLive()
{
    ASSERT_NE(0, m_client.OrderCamera());
    m_client.Start(0);
    ASSERT_TRUE(m_client.Worker().IsThreadRunning());
}

bool LiveWindowTest::WaitForFetches(size_t nMore)
{
    size_t nTarget = Script().CountCalls("Get3DLivePicture") + nMore;
    return PumpUntil([&] { return Script().CountCalls("Get3DLivePicture") >= nTarget; });
}

void LiveWindowTest::EraseWindow()
{
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

COLORREF LiveWindowTest::WindowPixel(int x, int y)
{
    CKIVOWindowDC windowDC(m_hWnd);
    return windowDC.Get() != nullptr ? windowDC.Get()->GetPixel(x, y) : CLR_INVALID;
}

bool LiveWindowTest::GreyAt(int x, int y)
{
    COLORREF cr = WindowPixel(x, y);
    return cr != RGB(0, 0, 0) && GetRValue(cr) == GetGValue(cr) && GetGValue(cr) == GetBValue(cr);
}

bool LiveWindowTest::RampShown(int nRow)
{
    for (int k : { 8, 24, 40, 56 })
    {
        COLORREF cr = WindowPixel(LEFT + 2 * k, nRow);
        if (abs(GetGValue(cr) - 4 * k) > 10 || GetRValue(cr) != GetBValue(cr))
            return false;
    }
    return true;
}

int LiveWindowTest::PercentIn(COLORREF cr, int x, int y, LPCTSTR pszText)
{
    CKIVOWindowDC windowDC(m_hWnd);
    CDC* pDC = windowDC.Get();
    const CSize size = pDC != nullptr ? pDC->GetTextExtent(pszText, lstrlen(pszText)) : CSize(0, 0);
    int n = 0;
    for (int j = 0; j < size.cy; ++j)
        for (int i = 0; i < size.cx; ++i)
            n += pDC->GetPixel(x + i, y + j) == cr ? 1 : 0;
    return size.cx * size.cy > 0 ? n * 100 / (size.cx * size.cy) : -1;
}
