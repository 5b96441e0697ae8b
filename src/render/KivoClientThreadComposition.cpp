// KivoClientThreadComposition.cpp: the worker's composition part. A live
// picture drawn scaled with the overlay copy over it, the key colour
// transparent; and the overlay copied out of its device.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoGdiplus.h"
#include "KivoKeyColorScan.h"
#include "KivoPaintDCLock.h"
#include "KivoUnscaledComposition.h"

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

BOOL CKIVOClientThread::ComposeLivePicture(CDC* pDC, const CKIVOFrame& picture, const CKIVOFrame* pMask, int x,
                                           int y, int nWidth, int nHeight, DWORD dwKeyColor,
                                           BOOL bMaskHasKeyColor, BOOL bMaskAllKeyColor)
{
    if (pDC == NULL || picture.IsNull())
        return FALSE;
    // Only a mixed overlay is drawn, as in DrawLivePicture.
    if (pMask != NULL && (pMask->IsNull() || !bMaskHasKeyColor || bMaskAllKeyColor))
        pMask = NULL;
    if (ComposeUnscaledPicture(pDC->GetSafeHdc(), picture.GetInfo(), picture.GetBits(),
                               pMask != NULL ? pMask->GetInfo() : NULL, pMask != NULL ? pMask->GetBits() : NULL, x,
                               y, nWidth, nHeight, Kivo::ArgbToColorRef(dwKeyColor)))
        return TRUE;
    return DrawLivePicture(pDC, picture.GetBitmap(), pMask != NULL ? pMask->GetBitmap() : NULL, x, y, nWidth,
                           nHeight, dwKeyColor, bMaskHasKeyColor, bMaskAllKeyColor);
}

void CKIVOClientThread::RequestOverlayRepaint()
{
    HWND hWnd = GetLiveWindow();
    if (hWnd == NULL)
        return;   // a null window would invalidate every window of the desktop
    ::InvalidateRect(hWnd, NULL, TRUE);
    ::PostMessageW(hWnd, WM_PAINT, 0, 0);
}

void CKIVOClientThread::DiscardOverlayDrawing()
{
    CKIVOPaintDCLock lock(m_MaskPaintDC);
    if (lock.IsLocked())
        m_MaskPaintDC.ResetBlitFlag();
}

namespace
{
// The pixels of a device bitmap, read through hDC, as a DIB in the two
// buffers of a frame; false, with nothing held, when they cannot be read.
bool ReadDeviceBitmap(HDC hDC, HBITMAP hBitmap, BITMAPINFO*& pInfo, BYTE*& pBits)
{
    pBits = NULL;
    pInfo = Kivo::AllocateFrameInfo();
    if (pInfo == NULL)
        return false;
    pInfo->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (::GetDIBits(hDC, hBitmap, 0, 0, NULL, pInfo, DIB_RGB_COLORS) != 0 && pInfo->bmiHeader.biSizeImage != 0)
    {
        pBits = static_cast<BYTE*>(malloc(pInfo->bmiHeader.biSizeImage));
        if (pBits != NULL
            && ::GetDIBits(hDC, hBitmap, 0, abs(pInfo->bmiHeader.biHeight), pBits, pInfo, DIB_RGB_COLORS) > 0)
            return true;
    }
    free(pBits);
    free(pInfo);
    pInfo = NULL;
    pBits = NULL;
    return false;
}
}

CKIVOFrame CKIVOClientThread::CopyMaskBitmap(CDC* pDC, COLORREF crKeyColor, int* pbMaskHasKeyColor,
                                              int* pbMaskAllKeyColor, BOOL bHoldsCopy)
{
    if (pDC == NULL)
        return CKIVOFrame();
    try
    {
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
            ReadDeviceBitmap(pDC->GetSafeHdc(), device.GetHBITMAP(), pInfo, pBits);
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
    catch (CException* pException)
    {
        pException->Delete();
        return CKIVOFrame();
    }
}
