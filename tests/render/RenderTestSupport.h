// RenderTestSupport.h: pixel-exact targets and pictures for the rendering tests.
#pragma once

#include "KivoTestSupport.h"
#include "KivoGdiplus.h"

#include <vector>

// A 32-bit top-down DIB section selected into a memory DC: what is drawn into
// it can be read back pixel by pixel.
class CTestCanvas
{
public:
    CTestCanvas(int nWidth, int nHeight) : m_nWidth(nWidth)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = nWidth;
        info.bmiHeader.biHeight = -nHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_hBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_pPixels),
                                     nullptr, 0);
        m_dc.CreateCompatibleDC(nullptr);
        m_hOld = SelectObject(m_dc.GetSafeHdc(), m_hBitmap);
        Fill(RGB(0, 0, 255));
    }
    ~CTestCanvas()
    {
        SelectObject(m_dc.GetSafeHdc(), m_hOld);
        DeleteObject(m_hBitmap);
    }

    CDC* DC() { return &m_dc; }
    void Fill(COLORREF cr) { m_dc.FillSolidRect(0, 0, m_nWidth, 0x7FFF, cr); }
    COLORREF Pixel(int x, int y)
    {
        GdiFlush();
        DWORD dw = m_pPixels[y * m_nWidth + x];
        return RGB((dw >> 16) & 0xFF, (dw >> 8) & 0xFF, dw & 0xFF);
    }

private:
    int m_nWidth;
    HBITMAP m_hBitmap = nullptr;
    HGDIOBJ m_hOld = nullptr;
    DWORD* m_pPixels = nullptr;
    CDC m_dc;
};

// A grey ramp: pixel (x, y) has the value (x * nStep) & 0xFF, one byte per pixel.
inline std::vector<BYTE> GreyRamp(int nWidth, int nHeight, int nStep)
{
    std::vector<BYTE> bytes(static_cast<size_t>(nWidth) * nHeight);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>(i % nWidth * nStep);
    return bytes;
}

// A picture of one colour, 4 bytes per pixel (B, G, R, 0xFF).
inline std::vector<BYTE> SolidColour(int nWidth, int nHeight, COLORREF cr)
{
    std::vector<BYTE> bytes(static_cast<size_t>(nWidth) * nHeight * 4, 0xFF);
    for (size_t i = 0; i < bytes.size(); i += 4)
    {
        bytes[i] = GetBValue(cr);
        bytes[i + 1] = GetGValue(cr);
        bytes[i + 2] = GetRValue(cr);
    }
    return bytes;
}

inline bool MakeFrame(const std::vector<BYTE>& bytes, int nWidth, int nHeight, int nBytesPerPixel,
                      int nFormat, CKIVOFrame& frame)
{
    frame = CKIVOClientThread::CreatePictureBitmap(bytes.data(), static_cast<ULONG>(bytes.size()), &nWidth,
                                                   &nHeight, &nBytesPerPixel, &nFormat);
    return !frame.IsNull();
}
