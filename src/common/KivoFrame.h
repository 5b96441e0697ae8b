// KivoFrame.h: one frame (a live picture or an overlay copy): a GDI+ bitmap
// built on two heap buffers, its BITMAPINFO header and its pixels, owned as
// one piece. A frame moves between its holders (the live picture thread, the
// frame store) by move or swap; exactly one holder disposes of it.
//
// A live picture's bitmap is made when it is first asked for: GDI+ copies the
// pixels into memory of its own when it makes one (about 7 ms for 1280x1024
// grey under Wine, 25 ms in colour), and a picture composed without scaling
// is read straight from the buffers and never needs it.
#pragma once

#include <windows.h>

namespace Gdiplus
{
class Bitmap;
}

class CKIVOFrame
{
public:
    CKIVOFrame() : m_pBitmap(NULL), m_pInfo(NULL), m_pBits(NULL) {}
    // Takes over a bitmap with the two malloc buffers it is built on.
    CKIVOFrame(Gdiplus::Bitmap* pBitmap, BITMAPINFO* pInfo, void* pBits)
        : m_pBitmap(pBitmap), m_pInfo(pInfo), m_pBits(pBits)
    {
    }
    CKIVOFrame(CKIVOFrame&& other) noexcept : m_pBitmap(NULL), m_pInfo(NULL), m_pBits(NULL) { Swap(other); }
    CKIVOFrame& operator=(CKIVOFrame&& other) noexcept
    {
        CKIVOFrame taken(static_cast<CKIVOFrame&&>(other));
        Swap(taken);
        return *this;   // what was held goes with taken
    }
    ~CKIVOFrame() { Reset(); }

    // Takes over the two malloc buffers and builds the bitmap on them; an
    // empty frame, with both buffers freed, when the bitmap cannot be made.
    static CKIVOFrame CreateOnBuffers(BITMAPINFO* pInfo, void* pBits);
    // Takes over the two malloc buffers; the bitmap is made by the first
    // GetBitmap. Both buffers must be non-null.
    static CKIVOFrame TakeBuffers(BITMAPINFO* pInfo, void* pBits);

    void Swap(CKIVOFrame& other) noexcept;
    // Disposes of the frame: the bitmap first, then the buffers it reads.
    void Reset();

    // The bitmap, made now when it was deferred; NULL when GDI+ cannot make it.
    Gdiplus::Bitmap* GetBitmap() const;
    BITMAPINFO* GetInfo() const { return m_pInfo; }
    void* GetBits() const { return m_pBits; }
    bool IsNull() const { return m_pBitmap == NULL && m_pBits == NULL; }
    // Both buffers, with the bitmap on them made or still to be made.
    bool IsComplete() const { return m_pInfo != NULL && m_pBits != NULL; }

private:
    CKIVOFrame(const CKIVOFrame&);
    CKIVOFrame& operator=(const CKIVOFrame&);

    mutable Gdiplus::Bitmap* m_pBitmap;   // made late by GetBitmap for TakeBuffers
    BITMAPINFO* m_pInfo;
    void* m_pBits;
};

// The library's helpers live in namespace Kivo: an application that includes
// the client's headers gets none of them in its own namespace.
namespace Kivo
{
// The BITMAPINFO block of every frame: the 40-byte header, room for a
// 256-entry colour table and 4 bytes more.
const size_t KIVO_FRAME_INFO_SIZE = 1068;
// A zeroed BITMAPINFO block of KIVO_FRAME_INFO_SIZE bytes from malloc, or NULL.
BITMAPINFO* AllocateFrameInfo();

// A pixel buffer for a new frame of nBytes, from malloc; a large buffer of the
// same size that a disposed frame left behind is used again (see KivoFrame.cpp).
void* AllocateFramePixels(size_t nBytes);
// Gives back a pixel buffer that no frame was made of.
void FreeFramePixels(void* pBits);
// The buffer an unscaled composition builds its 32-bit result in, of at least
// nBytes, from malloc: the one the last composition gave back when it is large
// enough. A second composer at the same time gets a buffer of its own.
void* TakeCompositionBuffer(size_t nBytes);
void GiveBackCompositionBuffer(void* pBuffer);
// Frees the buffers kept for reuse (when the frame store is emptied).
void FreeSpareFramePixels();
}
