// BenchWindow.cpp: the live window and its overlay.
#include "BenchWindow.h"
#include "KivoMeasuringOverlay.h"

namespace
{
const wchar_t BENCH_WINDOW_CLASS[] = L"KivoBenchLiveWindow";
}

void DrawBenchOverlay(CDC* pDC, const CRect& rect, EBenchOverlay eOverlay)
{
    pDC->FillSolidRect(&rect, BENCH_KEY);
    if (eOverlay == BENCH_OVERLAY_LATE)
    {
        pDC->SetPixel(rect.right - 1, rect.bottom - 1, RGB(255, 255, 0));
        return;
    }
    if (eOverlay != BENCH_OVERLAY_MIXED)
        return;

    DrawKivoMeasuringOverlay(pDC, rect, _T("KivoBench overlay"));
}

CBenchWindow::~CBenchWindow()
{
    if (m_hWnd != nullptr)
        DestroyWindow(m_hWnd);
}

bool CBenchWindow::Create(int nWidth, int nHeight)
{
    WNDCLASSW wc = {};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = nullptr;   // never erased: the live picture stays until the next one
    wc.lpszClassName = BENCH_WINDOW_CLASS;
    if (RegisterClassW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;   // the second window of a run finds the class registered
    m_hWnd = CreateWindowExW(0, BENCH_WINDOW_CLASS, L"KivoBench", WS_POPUP | WS_VISIBLE, 0, 0, nWidth, nHeight, nullptr,
                             nullptr, wc.hInstance, this);
    if (m_hWnd == nullptr)
        return false;
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    UpdateWindow(m_hWnd);
    return true;
}

void CBenchWindow::SetOverlay(CKIVOClient* pClient, const CRect& rcArea, EBenchOverlay eOverlay)
{
    m_pClient = pClient;
    m_rcArea = rcArea;
    m_eOverlay = eOverlay;
}

void CBenchWindow::ClearOverlay()
{
    m_pClient = nullptr;
}

LRESULT CALLBACK CBenchWindow::WindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam)
{
    CBenchWindow* pThis = reinterpret_cast<CBenchWindow*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    switch (nMessage)
    {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
        if (pThis != nullptr)
        {
            pThis->Paint();
            return 0;
        }
        break;
    default: break;
    }
    return DefWindowProcW(hWnd, nMessage, wParam, lParam);
}

// The overlay goes into the client's device, never into the window itself.
void CBenchWindow::Paint()
{
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(m_hWnd, &ps);
    if (hDC != nullptr && m_pClient != nullptr)
    {
        CDC dc;
        dc.Attach(hDC);
        CRect rect(m_rcArea);
        CKIVOClientMaskPaintDC* pMask = m_pClient->GetMaskPaintDC(&dc, rect);
        if (pMask != nullptr)
        {
            DrawBenchOverlay(pMask, rect, m_eOverlay);
            m_pClient->ReleaseMaskPaintDC();
        }
        dc.Detach();
    }
    EndPaint(m_hWnd, &ps);
}
