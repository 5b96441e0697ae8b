// KivoFrame.cpp: disposal of a frame, and the pixel buffers kept for reuse.
//
// The live picture thread replaces its picture on every pass. A pixel buffer
// fresh from the system costs a page fault per 4 KB page on its first write
// (about 3 ms for 1280x1024 grey under Wine, 15 ms in colour), so the last
// large pixel buffer disposed of is kept as the spare and the next picture of
// exactly its size is copied into it: the buffers of consecutive pictures
// alternate. Only a disposed frame's buffer becomes the spare, and each frame
// is disposed of once by its one owner, so the spare is never in use.
#include "stdafx.h"
#include "KivoFrame.h"
#include "KivoGdiplus.h"

#include <malloc.h>
#include <new>

namespace
{
const size_t KIVO_SPARE_MIN_BYTES = 64 * 1024;   // smaller buffers come from the heap's own free lists

void* volatile s_pSpareBits = nullptr;
void* volatile s_pCompositionBuffer = nullptr;
}

namespace Kivo
{
BITMAPINFO* AllocateFrameInfo()
{
    BITMAPINFO* pInfo = static_cast<BITMAPINFO*>(malloc(KIVO_FRAME_INFO_SIZE));
    if (pInfo != nullptr)
        memset(pInfo, 0, KIVO_FRAME_INFO_SIZE);
    return pInfo;
}

void* AllocateFramePixels(size_t nBytes)
{
    void* pSpare = InterlockedExchangePointer(&s_pSpareBits, nullptr);
    if (pSpare != nullptr)
    {
        if (_msize(pSpare) == nBytes)
            return pSpare;
        free(pSpare);   // a spare of another size belongs to a picture size gone by
    }
    return malloc(nBytes);
}

void FreeFramePixels(void* pBits)
{
    if (pBits != nullptr && _msize(pBits) >= KIVO_SPARE_MIN_BYTES
        && InterlockedCompareExchangePointer(&s_pSpareBits, pBits, nullptr) == nullptr)
        return;   // kept as the spare
    free(pBits);
}

void* TakeCompositionBuffer(size_t nBytes)
{
    void* pBuffer = InterlockedExchangePointer(&s_pCompositionBuffer, nullptr);
    if (pBuffer != nullptr && _msize(pBuffer) >= nBytes)
        return pBuffer;
    free(pBuffer);
    return malloc(nBytes);
}

void GiveBackCompositionBuffer(void* pBuffer)
{
    if (InterlockedCompareExchangePointer(&s_pCompositionBuffer, pBuffer, nullptr) != nullptr)
        free(pBuffer);
}

void FreeSpareFramePixels()
{
    free(InterlockedExchangePointer(&s_pSpareBits, nullptr));
    free(InterlockedExchangePointer(&s_pCompositionBuffer, nullptr));
}
}

namespace
{
// A GDI+ bitmap on the two buffers, or NULL.
Gdiplus::Bitmap* MakeBitmapOnBuffers(const BITMAPINFO* pInfo, void* pBits)
{
    // GDI+'s allocator answers null when out of memory; the object is built in
    // place so that this answer is looked at (a plain new may assume success).
    void* pMemory = Gdiplus::DllExports::GdipAlloc(sizeof(Gdiplus::Bitmap));
    if (pMemory == nullptr)
        return nullptr;
    ::new (pMemory) Gdiplus::Bitmap(pInfo, pBits);
    Gdiplus::Bitmap* pBitmap = static_cast<Gdiplus::Bitmap*>(pMemory);
    if (pBitmap->GetLastStatus() != Gdiplus::Ok)
    {
        delete pBitmap;   // GDI+'s own operator delete
        return nullptr;
    }
    return pBitmap;
}
}

CKIVOFrame CKIVOFrame::CreateOnBuffers(BITMAPINFO* pInfo, void* pBits)
{
    CKIVOFrame frame(nullptr, pInfo, pBits);   // owns the buffers from here on
    frame.m_bitmap.Reset(MakeBitmapOnBuffers(pInfo, pBits));
    if (frame.m_bitmap.IsNull())
        return CKIVOFrame();   // frame frees both buffers
    return frame;
}

CKIVOFrame CKIVOFrame::TakeBuffers(BITMAPINFO* pInfo, void* pBits)
{
    return CKIVOFrame(nullptr, pInfo, pBits);
}

Gdiplus::Bitmap* CKIVOFrame::GetBitmap() const
{
    if (m_bitmap.IsNull() && !m_info.IsNull() && !m_bits.IsNull())
        m_bitmap.Reset(MakeBitmapOnBuffers(m_info.Get(), m_bits.Get()));
    return m_bitmap.Get();
}

void CKIVOFrameBitmapTraits::Free(Gdiplus::Bitmap* pBitmap)
{
    delete pBitmap;   // GDI+'s own operator delete
}

void CKIVOFrameInfoTraits::Free(BITMAPINFO* pInfo)
{
    free(pInfo);
}

void CKIVOFramePixelsTraits::Free(void* pBits)
{
    Kivo::FreeFramePixels(pBits);
}
