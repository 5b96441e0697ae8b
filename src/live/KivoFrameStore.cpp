// KivoFrameStore.cpp: the frame set kept between runs of the live picture
// thread, and the conversion of a server picture into a GDI+ bitmap.
//
// Frames move into and out of the store whole; the store disposes only of
// what it holds, so no frame is freed by two holders.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoGdiplus.h"
#include "KivoFrameSet.h"

#include <climits>

BOOL CKIVOClientThread::TakeFrames(CKIVOFrameSet& frames)
{
    CSingleLock lock(&m_csFrames, TRUE);
    if (!frames.picture.IsNull() || !frames.mask.IsNull())
        return FALSE;
    frames.picture.Swap(m_Frames.picture);
    frames.mask.Swap(m_Frames.mask);
    frames.dwKeyColor = m_Frames.dwKeyColor;   // the key colour stays in the store too
    frames.bMaskHasKeyColor = m_Frames.bMaskHasKeyColor;
    frames.bMaskAllKeyColor = m_Frames.bMaskAllKeyColor;
    frames.hMaskWindow = m_Frames.hMaskWindow;
    m_Frames.bMaskHasKeyColor = 0;
    m_Frames.bMaskAllKeyColor = 1;
    m_Frames.hMaskWindow = nullptr;
    return !frames.picture.IsNull();
}

BOOL CKIVOClientThread::StoreFrames(CKIVOFrameSet& frames)
{
    if (!frames.picture.IsComplete())
        return FALSE;

    // What the store held is disposed of after the lock is left.
    CKIVOFrameSet replaced;
    {
        CSingleLock lock(&m_csFrames, TRUE);
        m_Frames.dwKeyColor = frames.dwKeyColor;
        m_Frames.bMaskHasKeyColor = frames.bMaskHasKeyColor;
        m_Frames.bMaskAllKeyColor = frames.bMaskAllKeyColor;
        replaced.picture.Swap(m_Frames.picture);
        m_Frames.picture.Swap(frames.picture);
        if (!frames.mask.IsNull())   // without a new mask the stored one stays
        {
            replaced.mask.Swap(m_Frames.mask);
            m_Frames.mask.Swap(frames.mask);
            m_Frames.hMaskWindow = frames.hMaskWindow;
        }
    }
    return TRUE;
}

BOOL CKIVOClientThread::HasStoredPicture()
{
    CSingleLock lock(&m_csFrames, TRUE);
    return !m_Frames.picture.IsNull();
}

void CKIVOClientThread::FreeFrames()
{
    m_Frames.picture.Reset();
    m_Frames.mask.Reset();
    Kivo::FreeSpareFramePixels();
}

void CKIVOClientThread::ClearFrames()
{
    CSingleLock lock(&m_csFrames, TRUE);
    FreeFrames();
}

CKIVOFrame CKIVOClientThread::CreatePictureBitmap(const void* pData, ULONG nDataLength, const int* pnWidth,
                                                  const int* pnHeight, const int* pnBytesPerPixel, const int* pnFormat)
{
    if (pData == nullptr)
        return CKIVOFrame();

    const int nWidth = *pnWidth, nHeight = *pnHeight, nBytesPerPixel = *pnBytesPerPixel;
    const WORD nBitCount = *pnFormat == 1 ? 8 : 32;

    // A picture the server describes inconsistently is skipped, never read beyond
    // the data that arrived: sizes must be positive, agree with the format and
    // fit both into 32 bits and into the array.
    if (nWidth <= 0 || nHeight <= 0 || nBytesPerPixel != nBitCount / 8)
        return CKIVOFrame();
    const ULONGLONG nRowBytes = static_cast<ULONGLONG>(nWidth) * nBytesPerPixel;
    const ULONGLONG nSourceSize = nRowBytes * nHeight;
    // Rows of a device-independent bitmap start on 4-byte boundaries.
    const ULONGLONG nStride = (nRowBytes + 3) & ~3ULL;
    const ULONGLONG nBitsSize = nStride * nHeight;
    if (nBitsSize > INT_MAX || nSourceSize > nDataLength)
        return CKIVOFrame();

    BITMAPINFO* pInfo = Kivo::AllocateFrameInfo();
    if (pInfo == nullptr)
        return CKIVOFrame();
    BITMAPINFOHEADER& header = pInfo->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = nWidth;
    header.biHeight = -nHeight;   // rows top-down
    header.biPlanes = 1;
    header.biBitCount = nBitCount;
    header.biCompression = BI_RGB;
    if (nBitCount == 8)
    {
        header.biClrUsed = 256;
        for (int i = 0; i < 256; ++i)
        {
            pInfo->bmiColors[i].rgbBlue = static_cast<BYTE>(i);
            pInfo->bmiColors[i].rgbGreen = static_cast<BYTE>(i);
            pInfo->bmiColors[i].rgbRed = static_cast<BYTE>(i);
        }
    }

    BYTE* pBits = static_cast<BYTE*>(Kivo::AllocateFramePixels(static_cast<size_t>(nBitsSize)));
    if (pBits == nullptr)
    {
        free(pInfo);
        return CKIVOFrame();
    }
    const BYTE* pSource = static_cast<const BYTE*>(pData);
    if (nStride == nRowBytes)
        memcpy(pBits, pSource, static_cast<size_t>(nSourceSize));
    else
        for (int y = 0; y < nHeight; ++y)
        {
            BYTE* pRow = pBits + y * nStride;
            memcpy(pRow, pSource + y * nRowBytes, static_cast<size_t>(nRowBytes));
            memset(pRow + nRowBytes, 0, static_cast<size_t>(nStride - nRowBytes));
        }

    return CKIVOFrame::TakeBuffers(pInfo, pBits);   // the GDI+ bitmap only when one is drawn
}
