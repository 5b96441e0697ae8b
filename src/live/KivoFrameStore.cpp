// KivoFrameStore.cpp: the frame set kept between runs of the live picture
// thread, and the conversion of a server picture into a GDI+ bitmap.
//
// A bitmap and its two buffers (header and pixels, from malloc) are made,
// owned and disposed of together.
//
// The live picture thread replaces its picture on every pass. A pixel buffer
// fresh from the system costs a page fault per 4 KB page on its first write
// (about 3 ms for 1280x1024 grey under Wine, 15 ms in colour), so the last
// large pixel buffer disposed of is kept as the spare and the next picture of
// exactly its size is copied into it: the two buffers of consecutive pictures
// alternate. The spare belongs to this file; FreeFrames gives it back.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoGdiplus.h"
#include "KivoFrameSet.h"

#include <climits>
#include <malloc.h>

namespace
{
const size_t KIVO_PICTURE_INFO_SIZE = 1068;   // header, 256 palette entries, 4 spare bytes
const size_t KIVO_SPARE_MIN_BYTES = 64 * 1024;   // smaller buffers come from the heap's own free lists

void* volatile s_pSpareBits = NULL;

// The spare when it has exactly nBytes, else a new buffer; a spare of another
// size belongs to a picture size gone by and is freed.
void* TakePixelBuffer(size_t nBytes)
{
    void* pSpare = InterlockedExchangePointer(&s_pSpareBits, NULL);
    if (pSpare != NULL)
    {
        if (_msize(pSpare) == nBytes)
            return pSpare;
        free(pSpare);
    }
    return malloc(nBytes);
}

void FreeSpareBits()
{
    free(InterlockedExchangePointer(&s_pSpareBits, NULL));
}

// Replaces a stored piece by a new one, disposing of the stored one unless it
// is the very same object.
template <typename T>
void ReplaceStored(T*& pStored, T* pNew)
{
    if (pStored != NULL && pStored != pNew)
        DisposeFramePiece(pStored);
    pStored = pNew;
}
}

void DisposeFramePiece(Gdiplus::Bitmap* pBitmap)
{
    delete pBitmap;
}

void DisposeFramePiece(BITMAPINFO* pInfo)
{
    free(pInfo);
}

void DisposeFramePiece(void* pBits)
{
    if (pBits != NULL && _msize(pBits) >= KIVO_SPARE_MIN_BYTES
        && InterlockedCompareExchangePointer(&s_pSpareBits, pBits, NULL) == NULL)
        return;   // kept as the spare
    free(pBits);
}

BOOL CKIVOClientThread::TakeFrames(Gdiplus::Bitmap** ppPicture, BITMAPINFO** ppPictureInfo,
                                   void** ppPictureBits, Gdiplus::Bitmap** ppMask,
                                   BITMAPINFO** ppMaskInfo, void** ppMaskBits,
                                   DWORD* pdwKeyColor, int* pbMaskHasKeyColor,
                                   int* pbMaskAllKeyColor, BOOL bTake)
{
    CSingleLock lock(&m_csFrames, TRUE);
    if (*ppPicture != NULL || *ppMask != NULL)
        return FALSE;

    *ppPicture = m_pPicture;
    *ppPictureInfo = m_pPictureInfo;
    *ppPictureBits = m_pPictureBits;
    *ppMask = m_pMask;
    *ppMaskInfo = m_pMaskInfo;
    *ppMaskBits = m_pMaskBits;
    *pdwKeyColor = m_pKeyColor->GetValue();
    *pbMaskHasKeyColor = m_bMaskHasKeyColor;
    *pbMaskAllKeyColor = m_bMaskAllKeyColor;
    if (bTake)
    {
        m_pPicture = NULL;
        m_pPictureInfo = NULL;
        m_pPictureBits = NULL;
        m_pMask = NULL;
        m_pMaskInfo = NULL;
        m_pMaskBits = NULL;
        m_bMaskHasKeyColor = 0;
        m_bMaskAllKeyColor = 1;
    }
    return *ppPicture != NULL;
}

BOOL CKIVOClientThread::StoreFrames(Gdiplus::Bitmap* pPicture, BITMAPINFO* pPictureInfo,
                                    void* pPictureBits, Gdiplus::Bitmap* pMask,
                                    BITMAPINFO* pMaskInfo, void* pMaskBits, DWORD dwKeyColor,
                                    int bMaskHasKeyColor, int bMaskAllKeyColor)
{
    if (pPicture == NULL || pPictureInfo == NULL || pPictureBits == NULL)
        return FALSE;

    CSingleLock lock(&m_csFrames, TRUE);
    m_pKeyColor->SetValue(dwKeyColor);
    m_bMaskHasKeyColor = bMaskHasKeyColor;
    m_bMaskAllKeyColor = bMaskAllKeyColor;
    ReplaceStored(m_pPicture, pPicture);
    ReplaceStored(m_pPictureInfo, pPictureInfo);
    ReplaceStored(m_pPictureBits, pPictureBits);
    if (pMask != NULL)
    {
        ReplaceStored(m_pMask, pMask);
        ReplaceStored(m_pMaskInfo, pMaskInfo);
        ReplaceStored(m_pMaskBits, pMaskBits);
    }
    return m_pPicture != NULL;
}

void CKIVOClientThread::FreeFrames()
{
    ReplaceStored(m_pPicture, static_cast<Gdiplus::Bitmap*>(NULL));
    ReplaceStored(m_pPictureInfo, static_cast<BITMAPINFO*>(NULL));
    ReplaceStored(m_pPictureBits, static_cast<void*>(NULL));
    ReplaceStored(m_pMask, static_cast<Gdiplus::Bitmap*>(NULL));
    ReplaceStored(m_pMaskInfo, static_cast<BITMAPINFO*>(NULL));
    ReplaceStored(m_pMaskBits, static_cast<void*>(NULL));
    FreeSpareBits();
}

void CKIVOClientThread::ClearFrames()
{
    CSingleLock lock(&m_csFrames, TRUE);
    try
    {
        FreeFrames();
    }
    catch (CException* pException)
    {
        pException->Delete();
    }
}

Gdiplus::Bitmap* CKIVOClientThread::CreatePictureBitmap(const void* pData, ULONG nDataLength,
                                                        const int* pnWidth, const int* pnHeight,
                                                        const int* pnBytesPerPixel,
                                                        const int* pnFormat, BITMAPINFO** ppInfo,
                                                        void** ppBits)
{
    *ppInfo = NULL;
    *ppBits = NULL;
    if (pData == NULL)
        return NULL;

    const int nWidth = *pnWidth, nHeight = *pnHeight, nBytesPerPixel = *pnBytesPerPixel;
    const WORD nBitCount = *pnFormat == 1 ? 8 : 32;

    // A picture the server describes inconsistently is skipped, never read beyond
    // the data that arrived: sizes must be positive, agree with the format and
    // fit both into 32 bits and into the array.
    if (nWidth <= 0 || nHeight <= 0 || nBytesPerPixel != nBitCount / 8)
        return NULL;
    const ULONGLONG nRowBytes = static_cast<ULONGLONG>(nWidth) * nBytesPerPixel;
    const ULONGLONG nSourceSize = nRowBytes * nHeight;
    // Rows of a device-independent bitmap start on 4-byte boundaries.
    const ULONGLONG nStride = (nRowBytes + 3) & ~3ULL;
    const ULONGLONG nBitsSize = nStride * nHeight;
    if (nBitsSize > INT_MAX || nSourceSize > nDataLength)
        return NULL;

    BITMAPINFO* pInfo = static_cast<BITMAPINFO*>(malloc(KIVO_PICTURE_INFO_SIZE));
    if (pInfo == NULL)
        return NULL;
    memset(pInfo, 0, KIVO_PICTURE_INFO_SIZE);
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

    BYTE* pBits = static_cast<BYTE*>(TakePixelBuffer(static_cast<size_t>(nBitsSize)));
    if (pBits == NULL)
    {
        free(pInfo);
        return NULL;
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

    Gdiplus::Bitmap* pBitmap = new Gdiplus::Bitmap(pInfo, pBits);
    if (pBitmap == NULL || pBitmap->GetLastStatus() != Gdiplus::Ok)
    {
        delete pBitmap;
        DisposeFramePiece(pBits);
        free(pInfo);
        return NULL;
    }
    *ppInfo = pInfo;
    *ppBits = pBits;
    return pBitmap;
}
