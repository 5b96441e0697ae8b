// KivoOverlayCopy.cpp: the overlay copied out of its device.
#include "stdafx.h"
#include "KivoOverlayCopy.h"
#include "KivoGdiplus.h"
#include "KivoKeyColorScan.h"
#include "KivoPaintDCLock.h"

namespace
{
// The pixels of a device bitmap, read through hDC, as a DIB in the two
// buffers of a frame; false, with nothing held, when they cannot be read.
bool ReadDeviceBitmap(HDC hDC, HBITMAP hBitmap, BITMAPINFO*& pInfo, BYTE*& pBits)
{
    pBits = nullptr;
    pInfo = Kivo::AllocateFrameInfo();
    if (pInfo == nullptr)
        return false;
    pInfo->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    if (::GetDIBits(hDC, hBitmap, 0, 0, nullptr, pInfo, DIB_RGB_COLORS) != 0 && pInfo->bmiHeader.biSizeImage != 0)
    {
        pBits = static_cast<BYTE*>(malloc(pInfo->bmiHeader.biSizeImage));
        if (pBits != nullptr
            && ::GetDIBits(hDC, hBitmap, 0, abs(pInfo->bmiHeader.biHeight), pBits, pInfo, DIB_RGB_COLORS) > 0)
            return true;
    }
    free(pBits);
    free(pInfo);
    pInfo = nullptr;
    pBits = nullptr;
    return false;
}
}

namespace Kivo
{
CKIVOFrame CopyOverlay(CKIVOClientMaskPaintDC& device, CDC* pDC, COLORREF crKeyColor, int* pbMaskHasKeyColor,
                       int* pbMaskAllKeyColor, BOOL bHoldsCopy, bool* pbRepaint)
{
    *pbRepaint = false;
    if (pDC == nullptr)
        return CKIVOFrame();
    try
    {
        if (device.GetHBITMAP() == nullptr)
        {
            *pbRepaint = true;   // nothing was ever drawn: ask the application for it
            return CKIVOFrame();
        }

        // Under the device's lock only the device's pixels are read; the bitmap
        // over the copy is made after the application may draw again.
        BITMAPINFO* pInfo = nullptr;
        BYTE* pBits = nullptr;
        {
            CKIVOPaintDCLock lock(device);
            if (!lock.IsLocked())
                return CKIVOFrame();
            if (!device.CanBlit(TRUE))
            {
                // No new overlay: the caller keeps its copy, or, without one, the
                // application is asked for a new one as at the start.
                *pbRepaint = !bHoldsCopy;
                return CKIVOFrame();
            }
            ReadDeviceBitmap(pDC->GetSafeHdc(), device.GetHBITMAP(), pInfo, pBits);
            device.ResetBlitFlag();
        }

        CKIVOFrame mask;
        if (pInfo != nullptr)
            mask = CKIVOFrame::CreateOnBuffers(pInfo, pBits);
        if (!mask.IsNull())
        {
            *pbMaskAllKeyColor = TRUE;
            *pbMaskHasKeyColor = FALSE;
            *pbMaskHasKeyColor = ScanMaskForKeyColor(mask.GetBitmap(), &crKeyColor, pbMaskAllKeyColor);
            if (*pbMaskHasKeyColor)
                return mask;
        }
        *pbRepaint = true;
        return mask;
    }
    catch (CException* pException)
    {
        pException->Delete();
        return CKIVOFrame();
    }
}

void DiscardOverlayDrawing(CKIVOClientMaskPaintDC& device)
{
    CKIVOPaintDCLock lock(device);
    if (lock.IsLocked())
        device.ResetBlitFlag();
}

void RequestWindowRepaint(HWND hWnd)
{
    if (hWnd == nullptr)
        return;   // a null window would invalidate every window of the desktop
    ::InvalidateRect(hWnd, nullptr, TRUE);
    ::PostMessageW(hWnd, WM_PAINT, 0, 0);
}
}
