// CLiveDemoWindow.h: the demo's main window with its live window child, and
// how they drive the camera: start-up, keys and menu, resizing, the overlay,
// the shut-down.
#pragma once

#include "CDemoCamera.h"
#include "CDemoOptions.h"
#include "CDemoOverlay.h"

class CLiveDemoWindow
{
public:
    CLiveDemoWindow(const CLiveDemoWindow&) = delete;
    CLiveDemoWindow& operator=(const CLiveDemoWindow&) = delete;
    explicit CLiveDemoWindow(const CDemoOptions& options);
    ~CLiveDemoWindow();

    // Creates the windows, connects, starts the live picture and runs the
    // message loop until the main window is gone. Returns the exit code:
    // 0, or 1 when anything failed.
    int Run(HINSTANCE hInstance, int nShowCmd);

    // After Run: the live pictures shown (-1 when they could not be counted)
    // and the seconds the live picture ran.
    int GetFramesShown() const;
    double GetLiveSeconds() const;

    // The largest area of the picture's aspect, centred in rcClient inside a
    // margin; empty when there is no room or no picture size.
    static CRect CalculatePictureArea(const CRect& rcClient, CSize sizePicture);

private:
    BOOL CreateWindows(HINSTANCE hInstance);
    HMENU CreateMainMenu();
    HACCEL CreateAccelerators();
    BOOL StartCamera();

    static CLiveDemoWindow* AttachWindow(HWND hWnd, UINT nMessage, LPARAM lParam, HWND CLiveDemoWindow::*pmWnd);
    static LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK LiveWindowProc(HWND hWnd, UINT nMessage, WPARAM wParam, LPARAM lParam);
    LRESULT OnMainMessage(UINT nMessage, WPARAM wParam, LPARAM lParam);
    LRESULT OnLiveMessage(UINT nMessage, WPARAM wParam, LPARAM lParam);

    void OnCommand(UINT nCommand);
    void OnClose();
    void OnLiveSize();
    void OnLivePaint();
    void PaintMargin(CDC& dc, const CRect& rcClient);

    void ToggleLive();
    void ChangeFormat(int nLiveFormat);
    void SaveScreenshot();

    // bForce: hand the area to the camera even when it did not change.
    void UpdatePictureArea(BOOL bForce);
    void UpdateState();
    void UpdateMenu();
    void FitWindowToPicture();
    CString FormatCaption() const;

    // A failure: the exception's message text in a message box, or on
    // standard error in a headless run, which then ends.
    void ReportFailure(LPCWSTR pszAction, CKIVOClientException* pException);
    void ReportFailure(LPCWSTR pszAction, const CString& strText);

    const CDemoOptions& m_options;
    CDemoCamera m_camera;
    CDemoOverlay m_overlay;
    HWND m_hMainWnd;
    HWND m_hLiveWnd;
    HACCEL m_hAccel;
    CRect m_rcArea;             // the picture area in the live window
    CRect m_rcStoppedArea;      // the area when the live picture was stopped
    tagEServerState m_eState;   // as last asked; the overlay shows it
    BOOL m_bStateKnown;
    BOOL m_bFailed;
    BOOL m_bClosing;
    int m_nFramesShown;
    double m_dLiveSeconds;
};
