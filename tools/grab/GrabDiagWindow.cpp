// GrabDiagWindow.cpp: the live window of kivo-grab diag.
#include "GrabDiagWindow.h"

#include <KivoMeasuringOverlay.h>

namespace
{
const wchar_t GRAB_DIAG_WINDOW_CLASS[] = L"KivoGrabDiagWindow";
}

CGrabDiagWindow::CGrabDiagWindow(CKIVOClient& client, COLORREF crKey)
    : m_client(client)
    , m_crKey(crKey)
    , m_hWnd(nullptr)
    , m_eOverlay(GRAB_DIAG_OVERLAY_KEY)
    , m_nOverlaysDrawn(0)
{
}

CGrabDiagWindow::~CGrabDiagWindow()
{
    if (m_hWnd == nullptr)
        return;
    DestroyWindow(m_hWnd);
    UnregisterClassW(GRAB_DIAG_WINDOW_CLASS, GetModuleHandleW(nullptr));
}

BOOL CGrabDiagWindow::Create(int nWidth, int nHeight)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));   // IDC_ARROW
    wc.hbrBackground = nullptr;   // never erased: the live picture stays until the next one
    wc.lpszClassName = GRAB_DIAG_WINDOW_CLASS;
    if (RegisterClassW(&wc) == 0)
        return FALSE;
    const DWORD dwStyle = WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE;
    RECT rcWindow = { 0, 0, nWidth, nHeight };
    AdjustWindowRect(&rcWindow, dwStyle, FALSE);
    m_hWnd = CreateWindowExW(0, GRAB_DIAG_WINDOW_CLASS, L"kivo-grab diag", dwStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                             rcWindow.right - rcWindow.left, rcWindow.bottom - rcWindow.top, nullptr, nullptr,
                             wc.hInstance, nullptr);
    if (m_hWnd == nullptr)
    {
        UnregisterClassW(GRAB_DIAG_WINDOW_CLASS, wc.hInstance);
        return FALSE;
    }
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_rcArea.SetRect(0, 0, nWidth, nHeight);
    UpdateWindow(m_hWnd);
    return TRUE;
}

void CGrabDiagWindow::SetOverlay(EGrabDiagOverlay eOverlay)
{
    m_eOverlay = eOverlay;
    InvalidateRect(m_hWnd, nullptr, FALSE);
}

LRESULT CALLBACK CGrabDiagWindow::WindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    CGrabDiagWindow* pThis = reinterpret_cast<CGrabDiagWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (nMessage == WM_ERASEBKGND)
        return 1;
    if (nMessage == WM_PAINT && pThis != nullptr)
    {
        pThis->Paint();
        return 0;
    }
    return DefWindowProcW(hWnd, nMessage, wParam, lParam);
}

// The overlay goes into the library's device, never into the window itself;
// while no live picture thread runs there is no device and nothing to draw.
void CGrabDiagWindow::Paint()
{
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(m_hWnd, &ps);
    if (hDC != nullptr)
    {
        CDC dc;
        dc.Attach(hDC);
        CRect rect(m_rcArea);
        CKIVOClientMaskPaintDC* pMask = m_client.GetMaskPaintDC(&dc, rect);
        if (pMask != nullptr)
        {
            DrawOverlay(pMask, rect);
            m_client.ReleaseMaskPaintDC();   // always, before anything else
            ++m_nOverlaysDrawn;
        }
        dc.Detach();
    }
    EndPaint(m_hWnd, &ps);
}

// The whole overlay each time: the device keeps what was drawn before.
void CGrabDiagWindow::DrawOverlay(CDC* pDC, const CRect& rect) const
{
    pDC->FillSolidRect(&rect, m_crKey);
    if (m_eOverlay != GRAB_DIAG_OVERLAY_GRID)
        return;
    DrawKivoMeasuringOverlay(pDC, rect, L"kivo-grab diag overlay");
}
