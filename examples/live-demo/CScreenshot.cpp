// CScreenshot.cpp: a window's client area saved as PNG with GDI+.
#include "CScreenshot.h"

#include <KivoPngWriter.h>
#include <KivoWindowDC.h>

BOOL CScreenshot::SaveWindowAsPng(HWND hWnd, LPCWSTR pszPath, CString& strError)
{
    CRect rcClient;
    if (hWnd == NULL || !::GetClientRect(hWnd, &rcClient) || rcClient.IsRectEmpty())
    {
        strError = L"the window has no client area to capture";
        return FALSE;
    }
    const int nWidth = rcClient.Width();
    const int nHeight = rcClient.Height();

    CKIVOPngWriter png;
    if (!png.HasEncoder())
    {
        strError = L"GDI+ has no PNG encoder";
        return FALSE;
    }

    CKIVOWindowDC windowDC(hWnd);
    CDC dcMemory;   // owns its DC
    if (windowDC.Get() == NULL || !dcMemory.CreateCompatibleDC(windowDC.Get()))
    {
        strError = L"no device context for the capture";
        return FALSE;
    }

    // A top-down 32-bit DIB section: its bits are the picture GDI+ encodes.
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = nWidth;
    info.bmiHeader.biHeight = -nHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* pBits = NULL;
    CBitmap bitmap;   // owns the DIB section
    if (!bitmap.Attach(::CreateDIBSection(windowDC.Get()->GetSafeHdc(), &info, DIB_RGB_COLORS, &pBits, NULL, 0))
        || pBits == NULL)
    {
        strError = L"no memory for the capture";
        return FALSE;
    }

    CBitmap* pOldBitmap = dcMemory.SelectObject(&bitmap);
    const BOOL bCopied = dcMemory.BitBlt(0, 0, nWidth, nHeight, windowDC.Get(), 0, 0, SRCCOPY);
    dcMemory.SelectObject(pOldBitmap);
    ::GdiFlush();
    if (!bCopied)
    {
        strError = L"BitBlt from the window failed";
        return FALSE;
    }

    Gdiplus::Bitmap image(nWidth, nHeight, nWidth * 4, PixelFormat32bppRGB, static_cast<BYTE*>(pBits));
    const Gdiplus::Status status = png.Save(image, pszPath);
    if (status != Gdiplus::Ok)
    {
        strError.Format(L"GDI+ could not write %s (status %d)", pszPath, static_cast<int>(status));
        return FALSE;
    }
    return TRUE;
}
