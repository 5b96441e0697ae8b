// KivoUnscaledComposition.cpp: the live picture composed without GDI+ when
// no scaling is needed.
//
// What GDI+ draws for an unscaled picture, read back from a 32-bit target
// under Wine (the equality table of the rendering tests holds it to this):
// - a 32-bit picture arrives as it is, all four bytes of every pixel;
// - an 8-bit grey picture (its palette the grey ramp CreatePictureBitmap
//   writes) arrives as grey, 0 in the fourth byte;
// - an overlay pixel whose red, green and blue are not the key colour's
//   covers the picture as that colour, 0xFF in the fourth byte; a
//   key-coloured one leaves the picture's pixel as it was.
// Windows shows no fourth byte of a display bitmap, and its GDI+ draws the
// same colours; that the fourth bytes agree as well keeps the pixels equal
// wherever they are read back.
// The composition builds that result row by row in a 32-bit buffer (SSE2
// where the compiler offers it) and puts it into the DC with
// SetDIBitsToDevice, a band of rows (256 KB) at a time: the buffer kept
// between pictures stays small, and its rows are still in the processor's
// cache when they are put into the DC. A 32-bit picture without overlay goes
// in whole, as it lies.
// Targets other than 32-bit surfaces, non-text mapping modes and overlays
// narrower or lower than the area stay with GDI+, whose results there are its
// own (conversions, scaling, the area beyond a small overlay).
#include "stdafx.h"
#include "KivoUnscaledComposition.h"
#include "KivoFrame.h"

#if defined(_M_X64) || defined(__SSE2__)
#include <emmintrin.h>
#define KIVO_COMPOSE_SSE2 1
#endif

namespace
{
const DWORD KIVO_OPAQUE = 0xFF000000;
const DWORD KIVO_RGB = 0x00FFFFFF;
// The rows composed before they go into the DC: about this many bytes.
const size_t KIVO_BAND_BYTES = 256 * 1024;

// Red in the third byte, green in the second, blue in the first: the layout
// of BI_RGB and of the only bit fields the composition writes.
bool HasStandardFields(const BITMAPINFOHEADER& header, const DWORD* pdwMasks)
{
    if (header.biCompression == BI_RGB)
        return true;
    return header.biCompression == BI_BITFIELDS && pdwMasks[0] == 0x00FF0000 && pdwMasks[1] == 0x0000FF00
           && pdwMasks[2] == 0x000000FF;
}

// A target whose pixels are 32-bit B, G, R, X and whose logical units are
// pixels: a memory DC with such a bitmap, or a display DC of 32 bits.
bool IsThirtyTwoBitTarget(HDC hDC)
{
    if (GetMapMode(hDC) != MM_TEXT || GetGraphicsMode(hDC) != GM_COMPATIBLE)
        return false;
    switch (GetObjectType(hDC))
    {
    case OBJ_MEMDC:
    {
        HGDIOBJ hBitmap = GetCurrentObject(hDC, OBJ_BITMAP);
        DIBSECTION section;
        memset(&section, 0, sizeof(section));
        const int nBytes = hBitmap != nullptr ? GetObjectW(hBitmap, sizeof(section), &section) : 0;
        if (nBytes == sizeof(DIBSECTION))
            return section.dsBm.bmBitsPixel == 32 && HasStandardFields(section.dsBmih, section.dsBitfields);
        return nBytes >= static_cast<int>(sizeof(BITMAP)) && section.dsBm.bmBitsPixel == 32;
    }
    case OBJ_DC: return GetDeviceCaps(hDC, TECHNOLOGY) == DT_RASDISPLAY && GetDeviceCaps(hDC, BITSPIXEL) == 32;
    default: return false;
    }
}

// The grey ramp CreatePictureBitmap writes: entry i is i, i, i.
bool IsGreyRampPalette(const BITMAPINFO& info)
{
    if (info.bmiHeader.biClrUsed != 0 && info.bmiHeader.biClrUsed != 256)
        return false;
    for (int i = 0; i < 256; ++i)
    {
        const RGBQUAD& entry = info.bmiColors[i];
        if (entry.rgbRed != i || entry.rgbGreen != i || entry.rgbBlue != i)
            return false;
    }
    return true;
}

// One row of grey-ramp pixels as B, G, R, 0.
void ExpandGreyRow(DWORD* pOut, const BYTE* pGrey, int nCount)
{
    int i = 0;
#ifdef KIVO_COMPOSE_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= nCount; i += 16)
    {
        const __m128i grey = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pGrey + i));
        const __m128i pairsLow = _mm_unpacklo_epi8(grey, grey);    // g g per pixel, pixels 0..7
        const __m128i pairsHigh = _mm_unpackhi_epi8(grey, grey);   // pixels 8..15
        const __m128i alphaLow = _mm_unpacklo_epi8(grey, zero);    // g 0 per pixel
        const __m128i alphaHigh = _mm_unpackhi_epi8(grey, zero);
        __m128i* pDest = reinterpret_cast<__m128i*>(pOut + i);
        _mm_storeu_si128(pDest, _mm_unpacklo_epi16(pairsLow, alphaLow));   // g g g 0
        _mm_storeu_si128(pDest + 1, _mm_unpackhi_epi16(pairsLow, alphaLow));
        _mm_storeu_si128(pDest + 2, _mm_unpacklo_epi16(pairsHigh, alphaHigh));
        _mm_storeu_si128(pDest + 3, _mm_unpackhi_epi16(pairsHigh, alphaHigh));
    }
#endif
    for (; i < nCount; ++i)
        pOut[i] = pGrey[i] * 0x010101u;
}

// One row of the overlay laid over the picture's row: a key-coloured overlay
// pixel (red, green and blue compared) keeps the picture's, any other covers
// it, opaque. pPicture may be pOut.
void LayOverlayRow(DWORD* pOut, const DWORD* pPicture, const DWORD* pMask, int nCount, DWORD dwKeyRgb)
{
    int i = 0;
#ifdef KIVO_COMPOSE_SSE2
    const __m128i rgb = _mm_set1_epi32(static_cast<int>(KIVO_RGB));
    const __m128i key = _mm_set1_epi32(static_cast<int>(dwKeyRgb));
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(KIVO_OPAQUE));
    for (; i + 4 <= nCount; i += 4)
    {
        const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pMask + i));
        const __m128i picture = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pPicture + i));
        const __m128i isKey = _mm_cmpeq_epi32(_mm_and_si128(mask, rgb), key);
        const __m128i cover = _mm_or_si128(mask, opaque);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pOut + i),
                         _mm_or_si128(_mm_and_si128(isKey, picture), _mm_andnot_si128(isKey, cover)));
    }
#endif
    for (; i < nCount; ++i)
    {
        const DWORD dwMask = pMask[i];
        pOut[i] = (dwMask & KIVO_RGB) == dwKeyRgb ? pPicture[i] : (dwMask | KIVO_OPAQUE);
    }
}

// The overlay's row nRow counted from its top, whichever way its rows run.
const DWORD* MaskRow(const BITMAPINFO& info, const void* pBits, int nRow)
{
    const LONG nHeight = info.bmiHeader.biHeight;
    const size_t nStride = static_cast<size_t>(info.bmiHeader.biWidth) * 4;
    const size_t nIndex = nHeight < 0 ? static_cast<size_t>(nRow) : static_cast<size_t>(nHeight - 1 - nRow);
    return reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(pBits) + nIndex * nStride);
}

bool IsComposablePicture(const BITMAPINFO* pInfo, const void* pBits, int nWidth, int nHeight)
{
    if (pInfo == nullptr || pBits == nullptr)
        return false;
    const BITMAPINFOHEADER& header = pInfo->bmiHeader;
    // CreatePictureBitmap's pictures: top-down, uncompressed, grey or 32 bits.
    return header.biWidth == nWidth && header.biHeight == -nHeight && header.biPlanes == 1
           && header.biCompression == BI_RGB
           && (header.biBitCount == 32 || (header.biBitCount == 8 && IsGreyRampPalette(*pInfo)));
}

bool IsComposableMask(const BITMAPINFO* pInfo, const void* pBits, int nWidth, int nHeight)
{
    if (pInfo == nullptr || pBits == nullptr)
        return false;
    const BITMAPINFOHEADER& header = pInfo->bmiHeader;
    const LONG nMaskHeight = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    return header.biBitCount == 32 && header.biPlanes == 1 && header.biWidth >= nWidth && nMaskHeight >= nHeight
           && HasStandardFields(header, reinterpret_cast<const DWORD*>(pInfo->bmiColors));
}
}

namespace Kivo
{
BOOL ComposeUnscaledPicture(HDC hDC, const BITMAPINFO* pPictureInfo, const void* pPictureBits,
                            const BITMAPINFO* pMaskInfo, const void* pMaskBits, int x, int y, int nWidth, int nHeight,
                            COLORREF crKeyColor)
{
    if (hDC == nullptr || nWidth < 1 || nHeight < 1 || !IsComposablePicture(pPictureInfo, pPictureBits, nWidth, nHeight)
        || (pMaskInfo != nullptr && !IsComposableMask(pMaskInfo, pMaskBits, nWidth, nHeight))
        || !IsThirtyTwoBitTarget(hDC))
        return FALSE;

    const UINT nLines = static_cast<UINT>(nHeight);
    const bool bGrey = pPictureInfo->bmiHeader.biBitCount == 8;
    if (!bGrey && pMaskInfo == nullptr)   // already the result
        return SetDIBitsToDevice(hDC, x, y, nWidth, nHeight, 0, 0, 0, nLines, pPictureBits, pPictureInfo,
                                 DIB_RGB_COLORS)
               == static_cast<int>(nLines);

    const size_t nRowBytes = static_cast<size_t>(nWidth) * 4;
    const int nBandRows = nRowBytes >= KIVO_BAND_BYTES ? 1 : static_cast<int>(KIVO_BAND_BYTES / nRowBytes);
    DWORD* pBuffer = static_cast<DWORD*>(
        Kivo::TakeCompositionBuffer(nRowBytes * static_cast<size_t>(nBandRows < nHeight ? nBandRows : nHeight)));
    if (pBuffer == nullptr)
        return FALSE;
    const DWORD dwKeyRgb = (static_cast<DWORD>(GetRValue(crKeyColor)) << 16)
                           | (static_cast<DWORD>(GetGValue(crKeyColor)) << 8) | GetBValue(crKeyColor);
    // 8-bit rows start on 4-byte boundaries; 32-bit rows are the width long.
    const size_t nPictureStride = bGrey ? (static_cast<size_t>(nWidth) + 3) & ~static_cast<size_t>(3) : nRowBytes;
    // The picture's own header (nWidth wide, top-down) made 32-bit, for one band.
    BITMAPINFO info;
    memset(&info, 0, sizeof(info));
    info.bmiHeader = pPictureInfo->bmiHeader;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biClrUsed = 0;
    info.bmiHeader.biSizeImage = 0;

    BOOL bDrawn = TRUE;
    const BYTE* pPictureRow = static_cast<const BYTE*>(pPictureBits);
    for (int nBandTop = 0; nBandTop < nHeight && bDrawn; nBandTop += nBandRows)
    {
        const int nRows = nHeight - nBandTop < nBandRows ? nHeight - nBandTop : nBandRows;
        DWORD* pOut = pBuffer;
        for (int nRow = nBandTop; nRow < nBandTop + nRows; ++nRow, pPictureRow += nPictureStride, pOut += nWidth)
        {
            const DWORD* pPicture = reinterpret_cast<const DWORD*>(pPictureRow);
            if (bGrey)
            {
                ExpandGreyRow(pOut, pPictureRow, nWidth);
                pPicture = pOut;
            }
            if (pMaskInfo != nullptr)
                LayOverlayRow(pOut, pPicture, MaskRow(*pMaskInfo, pMaskBits, nRow), nWidth, dwKeyRgb);
        }
        info.bmiHeader.biHeight = -nRows;
        bDrawn = SetDIBitsToDevice(hDC, x, y + nBandTop, nWidth, static_cast<DWORD>(nRows), 0, 0, 0,
                                   static_cast<UINT>(nRows), pBuffer, &info, DIB_RGB_COLORS)
                 == nRows;
    }
    Kivo::GiveBackCompositionBuffer(pBuffer);
    return bDrawn;
}
}
