// TestCanvas.h: a 32-bit top-down DIB section selected into a memory DC, so
// that what is drawn into it can be read back pixel by pixel.
#pragma once

#include <afxwin.h>

class CTestCanvas
{
public:
    CTestCanvas(int nWidth, int nHeight, COLORREF crFill = RGB(0, 0, 255))
        : m_nWidth(nWidth)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = nWidth;
        info.bmiHeader.biHeight = -nHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* pBits = nullptr;
        m_hBitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pBits, nullptr, 0);
        m_pBits = static_cast<const DWORD*>(pBits);
        m_dc.CreateCompatibleDC(nullptr);
        m_hOld = SelectObject(m_dc.GetSafeHdc(), m_hBitmap);
        m_dc.FillSolidRect(0, 0, nWidth, nHeight, crFill);
    }
    ~CTestCanvas()
    {
        SelectObject(m_dc.GetSafeHdc(), m_hOld);
        DeleteObject(m_hBitmap);
    }
    CTestCanvas(const CTestCanvas&) = delete;
    CTestCanvas& operator=(const CTestCanvas&) = delete;

    bool IsValid() const { return m_pBits != nullptr; }
    CDC* DC() { return &m_dc; }
    // Read straight from the bits, after GDI's batch is flushed.
    COLORREF Pixel(int x, int y) const
    {
        GdiFlush();
        const DWORD dw = m_pBits[y * m_nWidth + x];
        return RGB((dw >> 16) & 0xFF, (dw >> 8) & 0xFF, dw & 0xFF);
    }

private:
    int m_nWidth;
    HBITMAP m_hBitmap = nullptr;
    const DWORD* m_pBits = nullptr;
    HGDIOBJ m_hOld = nullptr;
    CDC m_dc;
};
