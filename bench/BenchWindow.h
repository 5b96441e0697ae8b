// BenchWindow.h: the live window of the benchmark, and the overlay that its
// paint handler draws through the client's overlay device, as an application's
// would.
#pragma once

#include <KivoClient.h>

const COLORREF BENCH_KEY = RGB(255, 0, 255);

enum EBenchOverlay
{
    BENCH_OVERLAY_NONE,    // the key colour alone: nothing covers the picture
    BENCH_OVERLAY_MIXED,   // key colour with a grid, a box and text over it
    BENCH_OVERLAY_LATE     // key colour but for the last pixel: a key scan must read every pixel
};

// Draws the overlay into rect of the device (coordinates of the device).
void DrawBenchOverlay(CDC* pDC, const CRect& rect, EBenchOverlay eOverlay);

class CBenchWindow
{
public:
    CBenchWindow() = default;
    ~CBenchWindow();
    CBenchWindow(const CBenchWindow&) = delete;
    CBenchWindow& operator=(const CBenchWindow&) = delete;

    bool Create(int nWidth, int nHeight);
    HWND GetHwnd() const { return m_hWnd; }

    // From now on WM_PAINT draws this overlay into the client's overlay device.
    void SetOverlay(CKIVOClient* pClient, const CRect& rcArea, EBenchOverlay eOverlay);
    void ClearOverlay();

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
    void Paint();

    HWND m_hWnd = nullptr;
    CKIVOClient* m_pClient = nullptr;
    CRect m_rcArea;
    EBenchOverlay m_eOverlay = BENCH_OVERLAY_NONE;
};
