// RenderTestSupport.h: pixel-exact targets and pictures for the rendering tests.
#pragma once

#include "KivoTestSupport.h"
#include "KivoGdiplus.h"
#include "TestCanvas.h"

#include <vector>

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

inline bool MakeFrame(const std::vector<BYTE>& bytes, int nWidth, int nHeight, int nBytesPerPixel, int nFormat,
                      CKIVOFrame& frame)
{
    frame = CKIVOClientThread::CreatePictureBitmap(bytes.data(), static_cast<ULONG>(bytes.size()), &nWidth, &nHeight,
                                                   &nBytesPerPixel, &nFormat);
    return !frame.IsNull();
}

// A frame's pixel as a COLORREF; CLR_INVALID when it cannot be read.
inline COLORREF PixelOf(const CKIVOFrame& frame, int x, int y)
{
    Gdiplus::Color pixel;
    if (frame.IsNull() || frame.GetBitmap()->GetPixel(x, y, &pixel) != Gdiplus::Ok)
        return CLR_INVALID;
    return RGB(pixel.GetRed(), pixel.GetGreen(), pixel.GetBlue());
}
