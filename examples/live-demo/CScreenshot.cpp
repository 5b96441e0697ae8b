// CScreenshot.cpp: a window's client area saved as PNG with GDI+.
#include "CScreenshot.h"

#include <gdiplus.h>

#include <vector>

namespace
{
// GDI+ for as long as the screenshot takes; every GDI+ object is gone before it.
class CGdiplusSession
{
public:
    CGdiplusSession(const CGdiplusSession&) = delete;
    CGdiplusSession& operator=(const CGdiplusSession&) = delete;
    CGdiplusSession()
        : m_token(0)
    {
        Gdiplus::GdiplusStartupInput input;
        if (Gdiplus::GdiplusStartup(&m_token, &input, nullptr) != Gdiplus::Ok)
            m_token = 0;
    }
    ~CGdiplusSession()
    {
        if (m_token != 0)
            Gdiplus::GdiplusShutdown(m_token);
    }
    BOOL IsStarted() const { return m_token != 0; }

private:
    ULONG_PTR m_token;
};

// The class of GDI+'s PNG encoder, looked up by its MIME type.
BOOL FindPngEncoder(CLSID& clsid)
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
        if (pCodecs[i].MimeType != nullptr && _wcsicmp(pCodecs[i].MimeType, L"image/png") == 0)
        {
            clsid = pCodecs[i].Clsid;
            return TRUE;
        }
    }
    return FALSE;
}

// The window's DC for as long as the object lives.
class CWindowDCHolder
{
public:
    CWindowDCHolder(const CWindowDCHolder&) = delete;
    CWindowDCHolder& operator=(const CWindowDCHolder&) = delete;
    explicit CWindowDCHolder(HWND hWnd)
        : m_hWnd(hWnd)
        , m_hDC(::GetDC(hWnd))
    {
    }
    ~CWindowDCHolder()
    {
        if (m_hDC != nullptr)
            ::ReleaseDC(m_hWnd, m_hDC);
    }
    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};
}

BOOL CScreenshot::SaveWindowAsPng(HWND hWnd, LPCWSTR pszPath, CString& strError)
{
    CRect rcClient;
    if (hWnd == nullptr || !::GetClientRect(hWnd, &rcClient) || rcClient.IsRectEmpty())
    {
        strError = L"the window has no client area to capture";
        return FALSE;
    }
    const int nWidth = rcClient.Width();
    const int nHeight = rcClient.Height();

    CGdiplusSession gdiplus;
    CLSID clsidPng = CLSID_NULL;
    if (!gdiplus.IsStarted() || !FindPngEncoder(clsidPng))
    {
        strError = L"GDI+ has no PNG encoder";
        return FALSE;
    }

    CWindowDCHolder windowDC(hWnd);
    CDC* pWindowDC = CDC::FromHandle(windowDC.Get());
    CDC dcMemory;   // owns its DC
    if (windowDC.Get() == nullptr || !dcMemory.CreateCompatibleDC(pWindowDC))
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
    void* pBits = nullptr;
    CBitmap bitmap;   // owns the DIB section
    if (!bitmap.Attach(::CreateDIBSection(windowDC.Get(), &info, DIB_RGB_COLORS, &pBits, nullptr, 0))
        || pBits == nullptr)
    {
        strError = L"no memory for the capture";
        return FALSE;
    }

    CBitmap* pOldBitmap = dcMemory.SelectObject(&bitmap);
    const BOOL bCopied = dcMemory.BitBlt(0, 0, nWidth, nHeight, pWindowDC, 0, 0, SRCCOPY);
    dcMemory.SelectObject(pOldBitmap);
    ::GdiFlush();
    if (!bCopied)
    {
        strError = L"BitBlt from the window failed";
        return FALSE;
    }

    Gdiplus::Bitmap image(nWidth, nHeight, nWidth * 4, PixelFormat32bppRGB, static_cast<BYTE*>(pBits));
    const Gdiplus::Status status = image.Save(pszPath, &clsidPng, nullptr);
    if (status != Gdiplus::Ok)
    {
        strError.Format(L"GDI+ could not write %s (status %d)", pszPath, static_cast<int>(status));
        return FALSE;
    }
    return TRUE;
}
