// KivoPictureComposition.cpp: a live picture drawn scaled with the overlay copy
// over it, the key colour transparent; and the overlay copied out of its device.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoGdiplus.h"
#include "KivoPictureComposition.h"
#include "KivoPaintDCLock.h"
#include "KivoWindowDC.h"

namespace
{
const size_t KIVO_MASK_INFO_SIZE = 1068;   // header, 256 palette entries, 4 spare bytes
}

BOOL CKIVOClientThread::DrawLivePicture(CDC* pDC, Gdiplus::Bitmap* pPicture, Gdiplus::Bitmap* pMask,
                                        int x, int y, int nWidth, int nHeight, DWORD dwKeyColor,
                                        BOOL bMaskHasKeyColor, BOOL bMaskAllKeyColor)
{
    if (pDC == NULL || pPicture == NULL || nWidth < 1 || nHeight < 1)
        return FALSE;

    Gdiplus::Graphics graphics(pDC->GetSafeHdc());
    if (graphics.GetLastStatus() != Gdiplus::Ok)
        return FALSE;
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeDefault);
    const Gdiplus::Rect area(x, y, nWidth, nHeight);
    if (graphics.DrawImage(pPicture, area) != Gdiplus::Ok)
        return FALSE;

    // An overlay of the key colour alone hides nothing, one without it would
    // hide the picture: only a mixed overlay is drawn, one pixel per pixel.
    if (pMask != NULL && bMaskHasKeyColor && !bMaskAllKeyColor)
    {
        Gdiplus::ImageAttributes attributes;
        const Gdiplus::Color key(dwKeyColor);
        attributes.SetColorKey(key, key, Gdiplus::ColorAdjustTypeDefault);
        graphics.DrawImage(pMask, area, 0, 0, nWidth, nHeight, Gdiplus::UnitPixel, &attributes);
    }
    return TRUE;
}

CKIVOFrame CKIVOClientThread::CopyWindowMaskBitmap(HWND hWnd, int nLeft, int nTop, int nWidth, int nHeight,
                                                    COLORREF crKeyColor, int* pbMaskHasKeyColor,
                                                    int* pbMaskAllKeyColor, BOOL bHoldsCopy)
{
    try
    {
        CKIVOWindowDC windowDC(hWnd);
        if (windowDC.Get() == NULL)
            return CKIVOFrame();
        return CopyMaskBitmap(windowDC.Get(), nLeft, nTop, nWidth, nHeight, crKeyColor, pbMaskHasKeyColor,
                              pbMaskAllKeyColor, bHoldsCopy);
    }
    catch (CException* pException)
    {
        pException->Delete();
        return CKIVOFrame();
    }
}

void CKIVOClientThread::RequestOverlayRepaint()
{
    HWND hWnd = m_hWnd;
    if (hWnd == NULL)
        return;   // a null window would invalidate every window of the desktop
    ::InvalidateRect(hWnd, NULL, TRUE);
    ::PostMessageW(hWnd, WM_PAINT, 0, 0);
}

namespace
{
// The pixels of a device bitmap as a DIB in two malloc buffers (header and
// pixels); false, with nothing held, when they cannot be read.
bool ReadDeviceBitmap(HBITMAP hBitmap, BITMAPINFO*& pInfo, BYTE*& pBits)
{
    pInfo = NULL;
    pBits = NULL;
    HDC hScreen = ::GetDC(NULL);
    if (hScreen == NULL)
        return false;
    bool bRead = false;
    pInfo = static_cast<BITMAPINFO*>(malloc(KIVO_MASK_INFO_SIZE));
    if (pInfo != NULL)
    {
        memset(pInfo, 0, 44);
        pInfo->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        if (::GetDIBits(hScreen, hBitmap, 0, 0, NULL, pInfo, DIB_RGB_COLORS) != 0
            && pInfo->bmiHeader.biSizeImage != 0)
        {
            pBits = static_cast<BYTE*>(malloc(pInfo->bmiHeader.biSizeImage));
            bRead = pBits != NULL
                    && ::GetDIBits(hScreen, hBitmap, 0, abs(pInfo->bmiHeader.biHeight), pBits, pInfo,
                                   DIB_RGB_COLORS) > 0;
        }
    }
    ::ReleaseDC(NULL, hScreen);
    if (!bRead)
    {
        free(pBits);
        free(pInfo);
        pInfo = NULL;
        pBits = NULL;
    }
    return bRead;
}
}

CKIVOFrame CKIVOClientThread::CopyMaskBitmap(CDC* pDC, int, int, int, int, COLORREF crKeyColor,
                                              int* pbMaskHasKeyColor, int* pbMaskAllKeyColor, BOOL bHoldsCopy)
{
    if (pDC == NULL)
        return CKIVOFrame();

    CKIVOClientMaskPaintDC& device = m_MaskPaintDC;
    if (device.GetHBITMAP() == NULL)
    {
        RequestOverlayRepaint();   // nothing was ever drawn: ask the application for it
        return CKIVOFrame();
    }

    // Under the device's lock only the device's pixels are read; the bitmap
    // over the copy is made after the application may draw again.
    BITMAPINFO* pInfo = NULL;
    BYTE* pBits = NULL;
    {
        CKIVOPaintDCLock lock(device);
        if (!lock.IsLocked())
            return CKIVOFrame();
        if (!device.CanBlit(TRUE))
        {
            // No new overlay: the caller keeps its copy, or, without one, the
            // application is asked for a new one as at the start.
            if (!bHoldsCopy)
                RequestOverlayRepaint();
            return CKIVOFrame();
        }
        ReadDeviceBitmap(device.GetHBITMAP(), pInfo, pBits);
        device.ResetBlitFlag();
    }

    CKIVOFrame mask;
    if (pInfo != NULL)
        mask = CKIVOFrame::CreateOnBuffers(pInfo, pBits);
    if (!mask.IsNull())
    {
        *pbMaskAllKeyColor = TRUE;
        *pbMaskHasKeyColor = FALSE;
        *pbMaskHasKeyColor = ScanMaskForKeyColor(mask.GetBitmap(), &crKeyColor, pbMaskAllKeyColor);
        if (*pbMaskHasKeyColor)
            return mask;
    }
    RequestOverlayRepaint();
    return mask;
}

namespace
{
// Whether any pixel of the locked rows differs in kind (key colour or not)
// from bKey; one comparison per pixel, rows in the order GDI+ gives them.
bool FindOtherKind(const Gdiplus::BitmapData& data, DWORD dwKeyRgb, bool bKey)
{
    const BYTE* pRow = static_cast<const BYTE*>(data.Scan0);
    for (UINT y = 0; y < data.Height; ++y, pRow += data.Stride)
    {
        const DWORD* pPixel = reinterpret_cast<const DWORD*>(pRow);
        for (UINT x = 0; x < data.Width; ++x)
            if (((pPixel[x] & 0x00FFFFFF) == dwKeyRgb) != bKey)
                return true;
    }
    return false;
}
}

BOOL ScanMaskForKeyColor(Gdiplus::Bitmap* pMask, const COLORREF* pcrKeyColor, int* pbAllKeyColor)
{
    *pbAllKeyColor = TRUE;
    if (pMask == NULL)
        return FALSE;

    const UINT nWidth = pMask->GetWidth();
    const UINT nHeight = pMask->GetHeight();
    const COLORREF crKey = *pcrKeyColor;
    // The key as 0xRRGGBB, the layout of a locked 32-bit ARGB pixel's low bytes.
    const DWORD dwKeyRgb = (static_cast<DWORD>(GetRValue(crKey)) << 16)
                           | (static_cast<DWORD>(GetGValue(crKey)) << 8) | GetBValue(crKey);
    BOOL bHasKey = FALSE;

    // 32-bit RGB and ARGB pixels hold the colour in the same low bytes as the
    // converted ARGB would: they are read where they lie. Any other format is
    // converted to 32-bit ARGB.
    const Gdiplus::PixelFormat eFormat = pMask->GetPixelFormat();
    const Gdiplus::PixelFormat eLockFormat =
        eFormat == PixelFormat32bppRGB || eFormat == PixelFormat32bppARGB ? eFormat : PixelFormat32bppARGB;
    Gdiplus::BitmapData data;
    Gdiplus::Rect rect(0, 0, static_cast<INT>(nWidth), static_cast<INT>(nHeight));
    if (nWidth > 0 && nHeight > 0
        && pMask->LockBits(&rect, Gdiplus::ImageLockModeRead, eLockFormat, &data) == Gdiplus::Ok)
    {
        // The first pixel tells one kind; the scan looks for the other and
        // stops at the first it finds.
        const bool bFirstIsKey = (*static_cast<const DWORD*>(data.Scan0) & 0x00FFFFFF) == dwKeyRgb;
        const bool bOtherFound = FindOtherKind(data, dwKeyRgb, bFirstIsKey);
        pMask->UnlockBits(&data);
        bHasKey = bFirstIsKey || bOtherFound;
        *pbAllKeyColor = bFirstIsKey && !bOtherFound;
    }
    else
    {
        for (UINT y = 0; y < nHeight && !(bHasKey && !*pbAllKeyColor); ++y)
            for (UINT x = 0; x < nWidth; ++x)
            {
                if (bHasKey && !*pbAllKeyColor)
                    break;
                Gdiplus::Color pixel;
                if (pMask->GetPixel(static_cast<INT>(x), static_cast<INT>(y), &pixel) != Gdiplus::Ok)
                    continue;
                if ((pixel.GetValue() & 0x00FFFFFF) == dwKeyRgb)
                    bHasKey = TRUE;
                else
                    *pbAllKeyColor = FALSE;
            }
    }
    if (!bHasKey)
        *pbAllKeyColor = TRUE;
    return bHasKey;
}
