#include "SimPictureGenerator.h"

#include "KivoSafeArray.h"

#include <cstring>
#include <vector>

const DWORD CSimPictureGenerator::m_aBarColours[8] = {
    0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00, 0xFF00FF, 0xFF0000, 0x0000FF, 0x000000,
};

namespace
{
const ULONGLONG g_nScrollPerFrame = 4;

// A new byte array with its data locked for writing; the array is handed out
// by Detach(), otherwise destroyed.
class CByteArray
{
public:
    CByteArray()
        : m_pData(nullptr)
    {
    }
    ~CByteArray()
    {
        if (m_pData != nullptr)
            SafeArrayUnaccessData(m_array.Get());   // a locked array is not destroyed
    }
    CByteArray(const CByteArray&) = delete;
    CByteArray& operator=(const CByteArray&) = delete;

    HRESULT Create(LONG nWidth, LONG nHeight, LONG nBytesPerPixel)
    {
        if (nWidth <= 0 || nHeight <= 0)
            return E_INVALIDARG;
        const ULONGLONG nSize = static_cast<ULONGLONG>(nWidth) * nHeight * nBytesPerPixel;
        if (nSize > 0x7FFFFFFF)
            return E_OUTOFMEMORY;
        m_array.Reset(SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(nSize)));
        if (m_array.IsNull())
            return E_OUTOFMEMORY;
        void* pData = nullptr;
        HRESULT hr = SafeArrayAccessData(m_array.Get(), &pData);
        if (FAILED(hr))
            return hr;
        m_pData = static_cast<BYTE*>(pData);
        return S_OK;
    }

    BYTE* GetData() const { return m_pData; }

    SAFEARRAY* Detach()
    {
        SafeArrayUnaccessData(m_array.Get());
        m_pData = nullptr;
        return m_array.Detach();
    }

private:
    CKIVOUniqueResource<CKIVOSafeArrayTraits> m_array;
    BYTE* m_pData;
};

void FillRows(BYTE* pData, const void* pRow, size_t nRowBytes, LONG nHeight)
{
    for (LONG y = 0; y < nHeight; ++y)
        memcpy(pData + static_cast<size_t>(y) * nRowBytes, pRow, nRowBytes);
}

// Bar colour as 32-bit pixel bytes B, G, R, 0xFF.
DWORD GetBarPixel(LONG x, LONG nWidth)
{
    const int nBar = static_cast<int>(static_cast<LONGLONG>(x) * 8 / nWidth);
    return CSimPictureGenerator::m_aBarColours[nBar] | 0xFF000000;
}

// Side and top-left corner of the moving square of frame nFrame.
void GetSquare(LONG nWidth, LONG nHeight, ULONGLONG nFrame, LONG& nSide, LONG& nLeft, LONG& nTop)
{
    nSide = (nWidth < nHeight ? nWidth : nHeight) / 8;
    if (nSide < 1)
        nSide = 1;
    nLeft = static_cast<LONG>(nFrame * 6 % static_cast<ULONGLONG>(nWidth - nSide + 1));
    nTop = static_cast<LONG>(nFrame * 4 % static_cast<ULONGLONG>(nHeight - nSide + 1));
}

// The moving square of frame nFrame in white (every byte 0xFF, grey or colour).
void DrawSquare(BYTE* pData, LONG nWidth, LONG nHeight, size_t nPixelBytes, ULONGLONG nFrame)
{
    LONG nSide, nLeft, nTop;
    GetSquare(nWidth, nHeight, nFrame, nSide, nLeft, nTop);
    const size_t nRowBytes = static_cast<size_t>(nWidth) * nPixelBytes;
    for (LONG y = nTop; y < nTop + nSide; ++y)
        memset(pData + static_cast<size_t>(y) * nRowBytes + static_cast<size_t>(nLeft) * nPixelBytes, 0xFF,
               static_cast<size_t>(nSide) * nPixelBytes);
}

// A new picture of nWidth x nHeight pixels of nPixelBytes, drawn by draw(pData)
// and handed out in *ppsa; nothing is handed out when it cannot be made.
template <typename TDraw>
HRESULT MakePicture(LONG nWidth, LONG nHeight, LONG nPixelBytes, SAFEARRAY** ppsa, TDraw draw)
{
    *ppsa = nullptr;
    CByteArray array;
    HRESULT hr = array.Create(nWidth, nHeight, nPixelBytes);
    if (FAILED(hr))
        return hr;
    draw(array.GetData());
    *ppsa = array.Detach();
    return S_OK;
}
}

HRESULT CSimPictureGenerator::CreateGreyPicture(LONG nWidth, LONG nHeight, LONG nPicture, SAFEARRAY** ppsa)
{
    return MakePicture(nWidth, nHeight, 1, ppsa, [&](BYTE* pData) {
        // One ramp 256 bytes longer than a row; row y starts at its own offset.
        std::vector<BYTE> vecRamp(static_cast<size_t>(nWidth) + 256);
        for (size_t i = 0; i < vecRamp.size(); ++i)
            vecRamp[i] = static_cast<BYTE>(i);
        const ULONG nOffset = static_cast<ULONG>(nPicture) * 29u;
        for (LONG y = 0; y < nHeight; ++y)
            memcpy(pData + static_cast<size_t>(y) * nWidth, &vecRamp[(nOffset + y) & 0xFF], nWidth);
    });
}

HRESULT CSimPictureGenerator::CreateRGBPicture(LONG nWidth, LONG nHeight, SAFEARRAY** ppsa)
{
    return MakePicture(nWidth, nHeight, 3, ppsa, [&](BYTE* pData) {
        std::vector<BYTE> vecRow(static_cast<size_t>(nWidth) * 3);
        for (LONG x = 0; x < nWidth; ++x)
        {
            const DWORD dwPixel = GetBarPixel(x, nWidth);
            vecRow[x * 3] = static_cast<BYTE>(dwPixel);
            vecRow[x * 3 + 1] = static_cast<BYTE>(dwPixel >> 8);
            vecRow[x * 3 + 2] = static_cast<BYTE>(dwPixel >> 16);
        }
        FillRows(pData, vecRow.data(), vecRow.size(), nHeight);
    });
}

HRESULT CSimPictureGenerator::CreateLiveGrey(LONG nWidth, LONG nHeight, ULONGLONG nFrame, SAFEARRAY** ppsa)
{
    return MakePicture(nWidth, nHeight, 1, ppsa, [&](BYTE* pData) {
        const ULONGLONG nShift = nFrame * g_nScrollPerFrame;
        std::vector<BYTE> vecRow(nWidth);
        for (LONG x = 0; x < nWidth; ++x)
            vecRow[x] = static_cast<BYTE>(x + nShift);
        FillRows(pData, vecRow.data(), vecRow.size(), nHeight);
        DrawSquare(pData, nWidth, nHeight, 1, nFrame);
    });
}

HRESULT CSimPictureGenerator::CreateLiveColour(LONG nWidth, LONG nHeight, ULONGLONG nFrame, SAFEARRAY** ppsa)
{
    return MakePicture(nWidth, nHeight, 4, ppsa, [&](BYTE* pData) {
        const LONG nShift = static_cast<LONG>(nFrame * g_nScrollPerFrame % static_cast<ULONGLONG>(nWidth));
        std::vector<DWORD> vecRow(nWidth);
        for (LONG x = 0; x < nWidth; ++x)
            vecRow[x] = GetBarPixel((x + nShift) % nWidth, nWidth);
        FillRows(pData, vecRow.data(), static_cast<size_t>(nWidth) * 4, nHeight);
        DrawSquare(pData, nWidth, nHeight, 4, nFrame);
    });
}
