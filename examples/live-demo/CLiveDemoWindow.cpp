// CLiveDemoWindow.cpp: the demo's windows and how they drive the camera.
#include "CLiveDemoWindow.h"
#include "CScreenshot.h"

#include <cstdio>

namespace
{
const wchar_t g_szMainClass[] = L"KivoLiveDemoMain";
const wchar_t g_szLiveClass[] = L"KivoLiveDemoLive";
const wchar_t g_szTitle[] = L"Kivo Live Demo";

enum
{
    ID_LIVE_TOGGLE = 100,
    ID_FORMAT_GREY = 101,   // the format items are one radio group: keep them adjacent
    ID_FORMAT_COLOUR = 102,
    ID_APP_EXIT = 103,
};
const UINT_PTR ID_TIMER_RUN_END = 1;
const UINT_PTR ID_TIMER_OVERLAY = 2;
const UINT g_nOverlaySettleMs = 500;

const COLORREF g_crKeyColor = RGB(255, 0, 255);
const COLORREF g_crMargin = RGB(40, 44, 52);
const COLORREF g_crNoPicture = RGB(12, 12, 12);
const int g_nMargin = 16;

// The picture size assumed before the camera tells its own.
const CSize g_sizeDefaultPicture(640, 480);

// BeginPaint/EndPaint around a CDC that borrows the paint DC.
class CPaintDCScope
{
public:
    CPaintDCScope(const CPaintDCScope&) = delete;
    CPaintDCScope& operator=(const CPaintDCScope&) = delete;
    explicit CPaintDCScope(HWND hWnd)
        : m_hWnd(hWnd)
    {
        HDC hDC = ::BeginPaint(hWnd, &m_ps);
        if (hDC != nullptr)
            m_dc.Attach(hDC);
    }
    ~CPaintDCScope()
    {
        m_dc.Detach();   // the DC belongs to EndPaint
        ::EndPaint(m_hWnd, &m_ps);
    }
    CDC* Get() { return m_dc.GetSafeHdc() != nullptr ? &m_dc : nullptr; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps;
    CDC m_dc;
};
}

CLiveDemoWindow::CLiveDemoWindow(const CDemoOptions& options)
    : m_options(options)
    , m_overlay(g_crKeyColor)
    , m_hMainWnd(nullptr)
    , m_hLiveWnd(nullptr)
    , m_hAccel(nullptr)
    , m_rcArea(0, 0, 0, 0)
    , m_rcStoppedArea(0, 0, 0, 0)
    , m_eState(SERVERSTATE_CLOSED)
    , m_bStateKnown(FALSE)
    , m_bFailed(FALSE)
    , m_bClosing(FALSE)
    , m_nFramesShown(-1)
    , m_dLiveSeconds(0.0)
{
}

CLiveDemoWindow::~CLiveDemoWindow()
{
    // Run normally leaves nothing behind; this covers an early way out. The
    // live picture ends before its window goes.
    try
    {
        m_camera.Disconnect();
    }
    catch (CKIVOClientException* pException)
    {
        pException->Delete();
    }
    if (m_hMainWnd != nullptr)
        DestroyWindow(m_hMainWnd);
    if (m_hAccel != nullptr)
        DestroyAcceleratorTable(m_hAccel);
}

int CLiveDemoWindow::Run(HINSTANCE hInstance, int nShowCmd)
{
    if (!CreateWindows(hInstance))
    {
        ReportFailure(L"Creating the windows", L"CreateWindowEx returned no window");
        return 1;
    }
    if (StartCamera())
    {
        if (m_options.IsHeadless())
            SetTimer(m_hMainWnd, ID_TIMER_RUN_END, static_cast<UINT>(m_options.m_nSeconds) * 1000u, nullptr);
    }
    else
    {
        PostMessageW(m_hMainWnd, WM_CLOSE, 0, 0);
    }
    // A timed run shows its window normally whatever the caller asked: a
    // minimised live window shows no picture to capture.
    ShowWindow(m_hMainWnd, m_options.IsHeadless() ? SW_SHOWNORMAL : nShowCmd);
    UpdateWindow(m_hMainWnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
    {
        if (!TranslateAcceleratorW(m_hMainWnd, m_hAccel, &msg))
        {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return m_bFailed ? 1 : 0;
}

int CLiveDemoWindow::GetFramesShown() const
{
    return m_nFramesShown;
}

double CLiveDemoWindow::GetLiveSeconds() const
{
    return m_dLiveSeconds;
}

BOOL CLiveDemoWindow::CreateWindows(HINSTANCE hInstance)
{
    WNDCLASSEXW wcMain;
    memset(&wcMain, 0, sizeof(wcMain));
    wcMain.cbSize = sizeof(wcMain);
    wcMain.lpfnWndProc = MainWindowProc;
    wcMain.hInstance = hInstance;
    wcMain.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wcMain.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wcMain.lpszClassName = g_szMainClass;

    // No background brush: the live window paints every pixel itself, and an
    // erase would wipe the live picture that the library's thread put there.
    WNDCLASSEXW wcLive = wcMain;
    wcLive.lpfnWndProc = LiveWindowProc;
    wcLive.hIcon = nullptr;
    wcLive.lpszClassName = g_szLiveClass;
    if (!RegisterClassExW(&wcMain) || !RegisterClassExW(&wcLive))
        return FALSE;

    CRect rcWindow(0, 0, g_sizeDefaultPicture.cx + 2 * g_nMargin, g_sizeDefaultPicture.cy + 2 * g_nMargin);
    AdjustWindowRectEx(&rcWindow, WS_OVERLAPPEDWINDOW, TRUE, 0);
    m_hMainWnd =
        CreateWindowExW(0, g_szMainClass, g_szTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                        CW_USEDEFAULT, rcWindow.Width(), rcWindow.Height(), nullptr, CreateMainMenu(), hInstance, this);
    if (m_hMainWnd == nullptr)
        return FALSE;
    CRect rcClient;
    GetClientRect(m_hMainWnd, &rcClient);
    m_hLiveWnd = CreateWindowExW(0, g_szLiveClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, rcClient.Width(),
                                 rcClient.Height(), m_hMainWnd, nullptr, hInstance, this);
    m_hAccel = CreateAccelerators();
    return m_hLiveWnd != nullptr;
}

HMENU CLiveDemoWindow::CreateMainMenu()
{
    HMENU hCamera = CreatePopupMenu();
    AppendMenuW(hCamera, MF_STRING, ID_LIVE_TOGGLE, L"&Start\tSpace");
    AppendMenuW(hCamera, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(hCamera, MF_STRING, ID_FORMAT_GREY, L"&Grey\tG");
    AppendMenuW(hCamera, MF_STRING, ID_FORMAT_COLOUR, L"&Colour\tC");
    AppendMenuW(hCamera, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(hCamera, MF_STRING, ID_APP_EXIT, L"E&xit\tEsc");
    HMENU hMenu = CreateMenu();
    AppendMenuW(hMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(hCamera), L"&Camera");
    return hMenu;   // the window owns it from CreateWindowEx on
}

HACCEL CLiveDemoWindow::CreateAccelerators()
{
    ACCEL aKeys[] = {
        { FVIRTKEY, VK_SPACE, ID_LIVE_TOGGLE },
        { FVIRTKEY, 'G', ID_FORMAT_GREY },
        { FVIRTKEY, 'C', ID_FORMAT_COLOUR },
        { FVIRTKEY, VK_ESCAPE, ID_APP_EXIT },
    };
    return CreateAcceleratorTableW(aKeys, sizeof(aKeys) / sizeof(aKeys[0]));
}

// Connect, open, initialise, order, hand over the live window and the overlay's
// key colour, fit the window to the picture, start.
BOOL CLiveDemoWindow::StartCamera()
{
    if (m_options.m_bShowFrameRate)
    {
        // Read by the library when its live picture thread starts.
        CString strError;
        if (!CDemoCamera::EnableFrameRateReadout(strError))
        {
            ReportFailure(L"Switching the frame-rate read-out on", strError);
            return FALSE;
        }
    }
    try
    {
        const int nFormat = m_options.m_bColour ? CDemoCamera::m_nFormatColour : CDemoCamera::m_nFormatGrey;
        m_camera.Connect(m_hLiveWnd, m_overlay.GetKeyColor(), nFormat);
    }
    catch (CKIVOClientException* pException)
    {
        ReportFailure(L"Connecting to the camera", pException);
        return FALSE;
    }
    FitWindowToPicture();
    UpdatePictureArea(TRUE);   // the camera has no area yet, even if the window kept its size
    try
    {
        m_camera.StartLive();
    }
    catch (CKIVOClientException* pException)
    {
        ReportFailure(L"Starting the live picture", pException);
        return FALSE;
    }
    UpdateState();
    UpdateMenu();
    return TRUE;
}

// The object of one of its windows: handed over at WM_NCCREATE, where its
// handle is stored in pmWnd and the object in the window's user data.
CLiveDemoWindow* CLiveDemoWindow::AttachWindow(HWND hWnd, UINT nMessage, LPARAM lParam, HWND CLiveDemoWindow::*pmWnd)
{
    if (nMessage == WM_NCCREATE)
    {
        CLiveDemoWindow* pThis =
            static_cast<CLiveDemoWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        pThis->*pmWnd = hWnd;
        SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pThis));
    }
    return reinterpret_cast<CLiveDemoWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
}

LRESULT CALLBACK CLiveDemoWindow::MainWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    CLiveDemoWindow* pThis = AttachWindow(hWnd, nMessage, lParam, &CLiveDemoWindow::m_hMainWnd);
    return pThis != nullptr ? pThis->OnMainMessage(nMessage, wParam, lParam)
                            : DefWindowProcW(hWnd, nMessage, wParam, lParam);
}

LRESULT CALLBACK CLiveDemoWindow::LiveWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    CLiveDemoWindow* pThis = AttachWindow(hWnd, nMessage, lParam, &CLiveDemoWindow::m_hLiveWnd);
    return pThis != nullptr ? pThis->OnLiveMessage(nMessage, wParam, lParam)
                            : DefWindowProcW(hWnd, nMessage, wParam, lParam);
}

LRESULT CLiveDemoWindow::OnMainMessage(UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    switch (nMessage)
    {
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED && m_hLiveWnd != nullptr)
            MoveWindow(m_hLiveWnd, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_ERASEBKGND: return 1;   // the live window covers the whole client area
    case WM_COMMAND: OnCommand(LOWORD(wParam)); return 0;
    case WM_TIMER:
        KillTimer(m_hMainWnd, wParam);
        if (wParam == ID_TIMER_RUN_END)
            PostMessageW(m_hMainWnd, WM_CLOSE, 0, 0);
        else if (wParam == ID_TIMER_OVERLAY)
            InvalidateRect(m_hLiveWnd, nullptr, FALSE);
        return 0;
    case WM_CLOSE: OnClose(); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_NCDESTROY: m_hMainWnd = nullptr; break;
    }
    return DefWindowProcW(m_hMainWnd, nMessage, wParam, lParam);
}

LRESULT CLiveDemoWindow::OnLiveMessage(UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    HWND hWnd = m_hLiveWnd;
    switch (nMessage)
    {
    case WM_SIZE: OnLiveSize(); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: OnLivePaint(); return 0;
    case WM_NCDESTROY: m_hLiveWnd = nullptr; break;
    }
    return DefWindowProcW(hWnd, nMessage, wParam, lParam);
}

void CLiveDemoWindow::OnCommand(UINT nCommand)
{
    if (nCommand == ID_APP_EXIT)
    {
        PostMessageW(m_hMainWnd, WM_CLOSE, 0, 0);
        return;
    }
    if (m_bClosing || !m_camera.IsConnected())
        return;
    switch (nCommand)
    {
    case ID_LIVE_TOGGLE: ToggleLive(); break;
    case ID_FORMAT_GREY: ChangeFormat(CDemoCamera::m_nFormatGrey); break;
    case ID_FORMAT_COLOUR: ChangeFormat(CDemoCamera::m_nFormatColour); break;
    }
}

// The shut-down order: screenshot while the picture is live, Stop (the
// overlay device is never held here), count, release the order, close,
// disconnect; the windows go last.
void CLiveDemoWindow::OnClose()
{
    if (m_bClosing)
        return;
    m_bClosing = TRUE;
    KillTimer(m_hMainWnd, ID_TIMER_RUN_END);
    KillTimer(m_hMainWnd, ID_TIMER_OVERLAY);
    if (!m_options.m_strScreenshot.IsEmpty())
        SaveScreenshot();

    if (m_camera.IsConnected())
    {
        try
        {
            m_camera.StopLive();
        }
        catch (CKIVOClientException* pException)
        {
            ReportFailure(L"Stopping the live picture", pException);
        }
        m_dLiveSeconds = m_camera.GetLiveSeconds();
        try
        {
            m_nFramesShown = m_camera.ReadFramesShown();
        }
        catch (CKIVOClientException* pException)
        {
            ReportFailure(L"Counting the live pictures", pException);
        }
        try
        {
            m_camera.Disconnect();
        }
        catch (CKIVOClientException* pException)
        {
            ReportFailure(L"Closing the camera", pException);
        }
    }
    DestroyWindow(m_hMainWnd);
}

void CLiveDemoWindow::OnLiveSize()
{
    UpdatePictureArea(FALSE);
}

void CLiveDemoWindow::OnLivePaint()
{
    CPaintDCScope paintDC(m_hLiveWnd);
    if (paintDC.Get() == nullptr)
        return;
    CDC& dc = *paintDC.Get();
    CRect rcClient;
    GetClientRect(m_hLiveWnd, &rcClient);
    const CString strCaption = FormatCaption();
    const CSize sizePicture = m_camera.IsConnected() ? m_camera.GetPictureSize() : g_sizeDefaultPicture;
    CKIVOClient& client = m_camera.GetClient();

    // While the live picture runs the library's thread paints the area: the
    // overlay goes into its device, only the margin straight into the window.
    CRect rcArea(m_rcArea);
    CKIVOClientMaskPaintDC* pMask =
        m_camera.IsConnected() && !rcArea.IsRectEmpty() ? client.GetMaskPaintDC(&dc, rcArea) : nullptr;
    if (pMask != nullptr)
    {
        // Held for the drawing only: the live picture thread waits for it.
        m_overlay.DrawMask(*pMask, m_rcArea, sizePicture, strCaption);
        client.ReleaseMaskPaintDC();
        PaintMargin(dc, rcClient);
    }
    else
    {
        // Stopped: the last picture with its overlay, repainted by the library,
        // composed off screen with the margin and the current caption. After a
        // resize the library would scale the stored picture into an area of
        // its own and lay the overlay of the old size over it: a picture that
        // no longer fits the area is not shown.
        CDC dcBuffer;
        CBitmap bitmap;
        const BOOL bBuffered =
            dcBuffer.CreateCompatibleDC(&dc) && bitmap.CreateCompatibleBitmap(&dc, rcClient.Width(), rcClient.Height());
        CDC& dcTarget = bBuffered ? dcBuffer : dc;
        CBitmap* pOldBitmap = bBuffered ? dcBuffer.SelectObject(&bitmap) : nullptr;
        dcTarget.FillSolidRect(&m_rcArea, g_crNoPicture);
        if (m_camera.IsConnected() && m_rcArea == m_rcStoppedArea)
            client.RedrawClientWindow(m_hLiveWnd, &dcTarget, 0);
        PaintMargin(dcTarget, rcClient);
        m_overlay.DrawMarks(dcTarget, m_rcArea, sizePicture, strCaption);
        if (bBuffered)
        {
            dc.BitBlt(0, 0, rcClient.Width(), rcClient.Height(), &dcBuffer, 0, 0, SRCCOPY);
            dcBuffer.SelectObject(pOldBitmap);
        }
    }
}

void CLiveDemoWindow::PaintMargin(CDC& dc, const CRect& rcClient)
{
    if (m_rcArea.IsRectEmpty())
    {
        dc.FillSolidRect(&rcClient, g_crMargin);
        return;
    }
    dc.FillSolidRect(rcClient.left, rcClient.top, rcClient.Width(), m_rcArea.top - rcClient.top, g_crMargin);
    dc.FillSolidRect(rcClient.left, m_rcArea.bottom, rcClient.Width(), rcClient.bottom - m_rcArea.bottom, g_crMargin);
    dc.FillSolidRect(rcClient.left, m_rcArea.top, m_rcArea.left - rcClient.left, m_rcArea.Height(), g_crMargin);
    dc.FillSolidRect(m_rcArea.right, m_rcArea.top, rcClient.right - m_rcArea.right, m_rcArea.Height(), g_crMargin);
}

void CLiveDemoWindow::ToggleLive()
{
    const BOOL bStop = m_camera.IsLive();
    try
    {
        if (bStop)
        {
            m_rcStoppedArea = m_rcArea;   // the stored picture fits this area
            m_camera.StopLive();
        }
        else
        {
            m_camera.StartLive();
        }
    }
    catch (CKIVOClientException* pException)
    {
        ReportFailure(bStop ? L"Stopping the live picture" : L"Starting the live picture", pException);
    }
    UpdateState();
    UpdateMenu();
    InvalidateRect(m_hLiveWnd, nullptr, FALSE);
}

void CLiveDemoWindow::ChangeFormat(int nLiveFormat)
{
    try
    {
        m_camera.SetLiveFormat(nLiveFormat);
    }
    catch (CKIVOClientException* pException)
    {
        ReportFailure(L"Changing the live format", pException);
    }
    UpdateState();
    UpdateMenu();
    InvalidateRect(m_hLiveWnd, nullptr, FALSE);
}

void CLiveDemoWindow::SaveScreenshot()
{
    CString strError;
    if (!CScreenshot::SaveWindowAsPng(m_hLiveWnd, m_options.m_strScreenshot, strError))
        ReportFailure(L"Saving the screenshot", strError);
}

// The area follows the live window's size; the library reads the properties
// on its next pass, and the overlay is drawn anew for the new area.
void CLiveDemoWindow::UpdatePictureArea(BOOL bForce)
{
    CRect rcClient;
    GetClientRect(m_hLiveWnd, &rcClient);
    const CSize sizePicture = m_camera.IsConnected() ? m_camera.GetPictureSize() : g_sizeDefaultPicture;
    const CRect rcArea = CalculatePictureArea(rcClient, sizePicture);
    if (rcArea == m_rcArea && !bForce)
        return;
    m_rcArea = rcArea;
    if (m_camera.IsConnected() && !m_bClosing)
    {
        try
        {
            m_camera.SetPictureArea(m_rcArea);
        }
        catch (CKIVOClientException* pException)
        {
            ReportFailure(L"Setting the picture area", pException);
        }
    }
    InvalidateRect(m_hLiveWnd, nullptr, FALSE);
    // The live picture thread drops its overlay copy when it reads a new
    // size, which can be a pass after it took the overlay drawn for that
    // size: draw it once more when the resizing has settled.
    if (m_camera.IsLive())
        SetTimer(m_hMainWnd, ID_TIMER_OVERLAY, g_nOverlaySettleMs, nullptr);
}

void CLiveDemoWindow::UpdateState()
{
    try
    {
        m_eState = m_camera.QueryState();
        m_bStateKnown = TRUE;
    }
    catch (CKIVOClientException* pException)
    {
        m_bStateKnown = FALSE;
        ReportFailure(L"Reading the camera state", pException);
    }
}

void CLiveDemoWindow::UpdateMenu()
{
    HMENU hCamera = GetSubMenu(GetMenu(m_hMainWnd), 0);
    if (hCamera == nullptr)
        return;
    ModifyMenuW(hCamera, ID_LIVE_TOGGLE, MF_BYCOMMAND | MF_STRING, ID_LIVE_TOGGLE,
                m_camera.IsLive() ? L"&Stop\tSpace" : L"&Start\tSpace");
    CheckMenuRadioItem(hCamera, ID_FORMAT_GREY, ID_FORMAT_COLOUR,
                       m_camera.GetLiveFormat() == CDemoCamera::m_nFormatGrey ? ID_FORMAT_GREY : ID_FORMAT_COLOUR,
                       MF_BYCOMMAND);
}

// The picture at 1:1 when the screen has room for it.
void CLiveDemoWindow::FitWindowToPicture()
{
    const CSize sizePicture = m_camera.GetPictureSize();
    if (sizePicture.cx < 1 || sizePicture.cy < 1)
        return;
    CRect rcWork;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &rcWork, 0);
    CSize sizeClient(sizePicture.cx + 2 * g_nMargin, sizePicture.cy + 2 * g_nMargin);
    const CSize sizeRoom(rcWork.Width() * 4 / 5, rcWork.Height() * 4 / 5);
    if (sizeClient.cx > sizeRoom.cx || sizeClient.cy > sizeRoom.cy)
    {
        const CRect rcFit = CalculatePictureArea(CRect(0, 0, sizeRoom.cx, sizeRoom.cy), sizePicture);
        sizeClient = CSize(rcFit.Width() + 2 * g_nMargin, rcFit.Height() + 2 * g_nMargin);
    }
    CRect rcWindow(0, 0, sizeClient.cx, sizeClient.cy);
    AdjustWindowRectEx(&rcWindow, GetWindowLongW(m_hMainWnd, GWL_STYLE), TRUE, GetWindowLongW(m_hMainWnd, GWL_EXSTYLE));
    SetWindowPos(m_hMainWnd, nullptr, 0, 0, rcWindow.Width(), rcWindow.Height(), SWP_NOMOVE | SWP_NOZORDER);
}

CString CLiveDemoWindow::FormatCaption() const
{
    const wchar_t szKeys[] = L"Space start/stop   G grey   C colour   Esc quit";
    CString strCaption;
    if (!m_camera.IsConnected() || !m_bStateKnown)
    {
        strCaption.Format(L"Camera not connected\n%s", szKeys);
        return strCaption;
    }
    const CSize sizePicture = m_camera.GetPictureSize();
    strCaption.Format(L"Camera %s - %s %d x %d\n%s", Kivo::GetServerStateName(m_eState),
                      m_camera.GetLiveFormat() == CDemoCamera::m_nFormatGrey ? L"grey" : L"colour",
                      static_cast<int>(sizePicture.cx), static_cast<int>(sizePicture.cy), szKeys);
    return strCaption;
}

void CLiveDemoWindow::ReportFailure(LPCWSTR pszAction, CKIVOClientException* pException)
{
    wchar_t szMessage[512] = L"";
    pException->GetErrorMessage(szMessage, 512);
    pException->Delete();
    ReportFailure(pszAction, CString(szMessage));
}

void CLiveDemoWindow::ReportFailure(LPCWSTR pszAction, const CString& strText)
{
    m_bFailed = TRUE;
    CString strMessage;
    strMessage.Format(L"%s failed: %s", pszAction, static_cast<LPCWSTR>(strText));
    if (m_options.IsHeadless())
    {
        fwprintf(stderr, L"KivoLiveDemo: %ls\n", static_cast<LPCWSTR>(strMessage));
        fflush(stderr);
        // Nobody is there to decide: a failed timed run ends at once.
        if (m_hMainWnd != nullptr && !m_bClosing)
            PostMessageW(m_hMainWnd, WM_CLOSE, 0, 0);
        return;
    }
    MessageBoxW(m_hMainWnd, strMessage, g_szTitle, MB_OK | MB_ICONERROR);
}

CRect CLiveDemoWindow::CalculatePictureArea(const CRect& rcClient, CSize sizePicture)
{
    CRect rcRoom(rcClient);
    rcRoom.DeflateRect(g_nMargin, g_nMargin);
    if (rcRoom.Width() < 1 || rcRoom.Height() < 1 || sizePicture.cx < 1 || sizePicture.cy < 1)
        return CRect(0, 0, 0, 0);

    int nWidth = rcRoom.Width();
    int nHeight = MulDiv(nWidth, sizePicture.cy, sizePicture.cx);
    if (nHeight > rcRoom.Height())
    {
        nHeight = rcRoom.Height();
        nWidth = MulDiv(nHeight, sizePicture.cx, sizePicture.cy);
    }
    const int nLeft = rcClient.left + (rcClient.Width() - nWidth) / 2;
    const int nTop = rcClient.top + (rcClient.Height() - nHeight) / 2;
    return CRect(nLeft, nTop, nLeft + nWidth, nTop + nHeight);
}
