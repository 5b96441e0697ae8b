// GrabDiagWindow.h: the live window of kivo-grab diag, a visible top-level
// window of the main thread whose paint handler hands the library its overlay.
#pragma once

#include <KivoClient.h>

enum EGrabDiagOverlay
{
    GRAB_DIAG_OVERLAY_KEY,   // the key colour alone: the picture shows whole
    GRAB_DIAG_OVERLAY_GRID   // the key colour under a grid, a box and a caption
};

class CGrabDiagWindow
{
public:
    CGrabDiagWindow(CKIVOClient& client, COLORREF crKey);
    ~CGrabDiagWindow();
    CGrabDiagWindow(const CGrabDiagWindow&) = delete;
    CGrabDiagWindow& operator=(const CGrabDiagWindow&) = delete;

    // A window whose client area is nWidth x nHeight, the live picture's area.
    // FALSE when it cannot be made (no display).
    BOOL Create(int nWidth, int nHeight);
    HWND GetHwnd() const { return m_hWnd; }
    const CRect& GetArea() const { return m_rcArea; }

    // The overlay of the next paints; the window is invalidated for it.
    void SetOverlay(EGrabDiagOverlay eOverlay);
    // How many paints handed the library an overlay so far.
    LONG GetOverlaysDrawn() const { return m_nOverlaysDrawn; }

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
    void Paint();
    void DrawOverlay(CDC* pDC, const CRect& rect) const;

    CKIVOClient& m_client;
    const COLORREF m_crKey;
    HWND m_hWnd;
    CRect m_rcArea;
    EGrabDiagOverlay m_eOverlay;
    LONG m_nOverlaysDrawn;
};
