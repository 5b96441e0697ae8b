// CScreenshot.cpp: a window's client area saved as PNG with GDI+.
#include "CScreenshot.h"

#include <gdiplus.h>

#include <vector>

namespace
{
// GDI+ for the length of one capture.
class CGdiplusScope
{
public:
    CGdiplusScope() : m_nToken(0)
    {
        Gdiplus::GdiplusStartupInput input;
        m_bStarted = Gdiplus::GdiplusStartup(&m_nToken, &input, NULL) == Gdiplus::Ok;
    }
    ~CGdiplusScope()
    {
        if (m_bStarted)
            Gdiplus::GdiplusShutdown(m_nToken);
    }
    BOOL IsStarted() const { return m_bStarted; }

private:
    CGdiplusScope(const CGdiplusScope&);
    CGdiplusScope& operator=(const CGdiplusScope&);

    ULONG_PTR m_nToken;
    BOOL m_bStarted;
};

// A window's DC attached to a CDC, released on every way out.
class CWindowDCScope
{
public:
    explicit CWindowDCScope(HWND hWnd) : m_hWnd(hWnd), m_hDC(::GetDC(hWnd))
    {
        if (m_hDC != NULL)
            m_dc.Attach(m_hDC);
    }
    ~CWindowDCScope()
    {
        if (m_hDC == NULL)
            return;
        m_dc.Detach();
        ::ReleaseDC(m_hWnd, m_hDC);
    }
    CDC* Get() { return m_hDC != NULL ? &m_dc : NULL; }

private:
    CWindowDCScope(const CWindowDCScope&);
    CWindowDCScope& operator=(const CWindowDCScope&);

    HWND m_hWnd;
    HDC m_hDC;
    CDC m_dc;
};
}

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

    CGdiplusScope gdiplus;
    CLSID clsidPng;
    if (!gdiplus.IsStarted() || !FindPngEncoder(clsidPng))
    {
        strError = L"GDI+ has no PNG encoder";
        return FALSE;
    }

    CWindowDCScope windowDC(hWnd);
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
    const Gdiplus::Status status = image.Save(pszPath, &clsidPng, NULL);
    if (status != Gdiplus::Ok)
    {
        strError.Format(L"GDI+ could not write %s (status %d)", pszPath, static_cast<int>(status));
        return FALSE;
    }
    return TRUE;
}

BOOL CScreenshot::FindPngEncoder(CLSID& clsid)
{
    UINT nEncoders = 0, nBytes = 0;
    if (Gdiplus::GetImageEncodersSize(&nEncoders, &nBytes) != Gdiplus::Ok || nBytes == 0)
        return FALSE;
    std::vector<BYTE> vecBuffer(nBytes);
    Gdiplus::ImageCodecInfo* pCodecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(vecBuffer.data());
    if (Gdiplus::GetImageEncoders(nEncoders, nBytes, pCodecs) != Gdiplus::Ok)
        return FALSE;
    for (UINT i = 0; i < nEncoders; ++i)
    {
        if (lstrcmpiW(pCodecs[i].MimeType, L"image/png") == 0)
        {
            clsid = pCodecs[i].Clsid;
            return TRUE;
        }
    }
    return FALSE;
}
