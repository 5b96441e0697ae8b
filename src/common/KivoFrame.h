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

#include "KivoUniqueResource.h"
#include <utility>

namespace Gdiplus
{
class Bitmap;
}

// The three parts of a frame; each is freed in KivoFrame.cpp, where GDI+ and
// the buffers kept for reuse are known.
struct CKIVOFrameBitmapTraits
{
    using Type = Gdiplus::Bitmap*;
    static Type Invalid() { return nullptr; }
    static void Free(Type pBitmap);
};
struct CKIVOFrameInfoTraits
{
    using Type = BITMAPINFO*;
    static Type Invalid() { return nullptr; }
    static void Free(Type pInfo);
};
struct CKIVOFramePixelsTraits
{
    using Type = void*;
    static Type Invalid() { return nullptr; }
    static void Free(Type pBits);
};

class CKIVOFrame
{
public:
    CKIVOFrame() = default;
    // Takes over a bitmap with the two malloc buffers it is built on.
    CKIVOFrame(Gdiplus::Bitmap* pBitmap, BITMAPINFO* pInfo, void* pBits)
        : m_info(pInfo)
        , m_bits(pBits)
        , m_bitmap(pBitmap)
    {
    }
    // Written out, not defaulted: member-wise assignment would free the old
    // buffers before the old bitmap on them.
    CKIVOFrame(CKIVOFrame&& other) noexcept { Swap(other); }
    CKIVOFrame& operator=(CKIVOFrame&& other) noexcept
    {
        CKIVOFrame taken(std::move(other));
        Swap(taken);
        return *this;   // what was held goes with taken
    }
    ~CKIVOFrame() { Reset(); }
    CKIVOFrame(const CKIVOFrame&) = delete;
    CKIVOFrame& operator=(const CKIVOFrame&) = delete;

    // Takes over the two malloc buffers and builds the bitmap on them; an
    // empty frame, with both buffers freed, when the bitmap cannot be made.
    static CKIVOFrame CreateOnBuffers(BITMAPINFO* pInfo, void* pBits);
    // Takes over the two malloc buffers; the bitmap is made by the first
    // GetBitmap. Both buffers must be non-null.
    static CKIVOFrame TakeBuffers(BITMAPINFO* pInfo, void* pBits);

    void Swap(CKIVOFrame& other) noexcept
    {
        m_info.Swap(other.m_info);
        m_bits.Swap(other.m_bits);
        m_bitmap.Swap(other.m_bitmap);
    }
    // Disposes of the frame: the bitmap first, then the buffers it reads.
    void Reset()
    {
        m_bitmap.Reset();
        m_info.Reset();
        m_bits.Reset();
    }

    // The bitmap, made now when it was deferred; NULL when GDI+ cannot make it.
    Gdiplus::Bitmap* GetBitmap() const;
    BITMAPINFO* GetInfo() const { return m_info.Get(); }
    void* GetBits() const { return m_bits.Get(); }
    bool IsNull() const { return m_bitmap.IsNull() && m_bits.IsNull(); }
    // Both buffers, with the bitmap on them made or still to be made.
    bool IsComplete() const { return !m_info.IsNull() && !m_bits.IsNull(); }

private:
    // Members go in reverse order: the bitmap before the buffers it reads.
    CKIVOUniqueResource<CKIVOFrameInfoTraits> m_info;
    CKIVOUniqueResource<CKIVOFramePixelsTraits> m_bits;
    mutable CKIVOUniqueResource<CKIVOFrameBitmapTraits> m_bitmap;   // made late by GetBitmap for TakeBuffers
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
