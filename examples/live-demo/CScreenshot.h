// CScreenshot.h: what a window shows, saved as a PNG file.
#pragma once

#include <afxwin.h>

class CScreenshot
{
public:
    // Copies the window's client area as it is on screen now and writes it
    // with the GDI+ PNG encoder; FALSE with the reason in strError. BitBlt from
    // the window's DC takes what the library's live picture thread blitted
    // there; PrintWindow would only ask the window to paint itself (under
    // Wine it gives a black picture).
    static BOOL SaveWindowAsPng(HWND hWnd, LPCWSTR pszPath, CString& strError);
};
