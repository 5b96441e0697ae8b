// GrabPngWriter.cpp: pictures of the camera saved as PNG files through GDI+.
#include "GrabPngWriter.h"
#include "GrabFailure.h"

#include <KivoPngWriter.h>

#include <vector>

namespace
{
CGrabFailure MakeFailure(const CString& strFile, LPCWSTR pszWhat, Gdiplus::Status status)
{
    CString strMessage;
    strMessage.Format(L"%ls: %ls (GDI+ status %d)", strFile.GetString(), pszWhat, static_cast<int>(status));
    return CGrabFailure(GRAB_EXIT_FILE, strMessage);
}

// An 8-bit indexed picture shows grey values only through a palette of 256 greys.
Gdiplus::Status SetGreyPalette(Gdiplus::Bitmap& bitmap)
{
    std::vector<BYTE> vecPalette(sizeof(Gdiplus::ColorPalette) + 255 * sizeof(Gdiplus::ARGB));
    Gdiplus::ColorPalette* pPalette = reinterpret_cast<Gdiplus::ColorPalette*>(vecPalette.data());
    pPalette->Flags = Gdiplus::PaletteFlagsGrayScale;
    pPalette->Count = 256;
    for (UINT i = 0; i < 256; ++i)
        pPalette->Entries[i] =
            Gdiplus::Color::MakeARGB(255, static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i));
    return bitmap.SetPalette(pPalette);
}

// Copies the camera's unpadded rows into the bitmap's rows (GDI+ pads them to
// four bytes, and its 24-bit layout is B, G, R like the camera's).
void CopyRows(BYTE* pTarget, INT nStride, const BYTE* pPixels, int nWidth, int nHeight, EGrabPixelLayout eLayout)
{
    const size_t nRowBytes = static_cast<size_t>(nWidth) * GetGrabBytesPerPixel(eLayout);
    for (int y = 0; y < nHeight; ++y)
    {
        BYTE* pRow = pTarget + static_cast<ptrdiff_t>(y) * nStride;
        const BYTE* pSource = pPixels + static_cast<size_t>(y) * nRowBytes;
        if (eLayout != GRAB_PIXELS_BGRX32)
        {
            memcpy(pRow, pSource, nRowBytes);
            continue;
        }
        for (int x = 0; x < nWidth; ++x)
        {
            pRow[3 * x] = pSource[4 * x];
            pRow[3 * x + 1] = pSource[4 * x + 1];
            pRow[3 * x + 2] = pSource[4 * x + 2];
        }
    }
}

void EncodePng(const CString& strFile, const CKIVOPngWriter& png, const BYTE* pPixels, int nWidth, int nHeight,
               EGrabPixelLayout eLayout)
{
    const Gdiplus::PixelFormat format = eLayout == GRAB_PIXELS_GREY8 ? PixelFormat8bppIndexed : PixelFormat24bppRGB;
    Gdiplus::Bitmap bitmap(nWidth, nHeight, format);
    if (bitmap.GetLastStatus() != Gdiplus::Ok)
        throw MakeFailure(strFile, L"GDI+ could not make the picture", bitmap.GetLastStatus());
    if (eLayout == GRAB_PIXELS_GREY8)
    {
        Gdiplus::Status status = SetGreyPalette(bitmap);
        if (status != Gdiplus::Ok)
            throw MakeFailure(strFile, L"GDI+ refused the grey palette", status);
    }

    Gdiplus::Rect rect(0, 0, nWidth, nHeight);
    Gdiplus::BitmapData data = {};
    Gdiplus::Status status = bitmap.LockBits(&rect, Gdiplus::ImageLockModeWrite, format, &data);
    if (status != Gdiplus::Ok)
        throw MakeFailure(strFile, L"GDI+ could not lock the picture", status);
    CopyRows(static_cast<BYTE*>(data.Scan0), data.Stride, pPixels, nWidth, nHeight, eLayout);
    status = bitmap.UnlockBits(&data);
    if (status != Gdiplus::Ok)
        throw MakeFailure(strFile, L"GDI+ could not unlock the picture", status);

    status = png.Save(bitmap, strFile.GetString());
    if (status != Gdiplus::Ok)
        throw MakeFailure(strFile, L"the PNG could not be written", status);
}
}

int GetGrabBytesPerPixel(EGrabPixelLayout eLayout)
{
    switch (eLayout)
    {
    case GRAB_PIXELS_GREY8: return 1;
    case GRAB_PIXELS_BGR24: return 3;
    default: return 4;
    }
}

void SaveGrabPng(const CString& strFile, const BYTE* pPixels, int nWidth, int nHeight, EGrabPixelLayout eLayout)
{
    CKIVOPngWriter png;
    if (!png.IsGdiplusStarted())   // the start-up status is not kept: GDI+ is simply not initialised
        throw MakeFailure(strFile, L"GDI+ could not be started", Gdiplus::GdiplusNotInitialized);
    if (!png.HasEncoder())
        throw MakeFailure(strFile, L"GDI+ offers no PNG encoder", Gdiplus::UnknownImageFormat);
    // The bitmap lives in EncodePng and is gone before GDI+ shuts down.
    EncodePng(strFile, png, pPixels, nWidth, nHeight, eLayout);
}
