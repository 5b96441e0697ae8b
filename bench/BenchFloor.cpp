// BenchFloor.cpp: the floor of the composition.
#include "BenchFloor.h"
#include "BenchPlatform.h"
#include "KivoWindowDC.h"

#include <cstring>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace
{
const size_t BENCH_INFO_SIZE = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
}

CBenchFloorMask::~CBenchFloorMask()
{
    if (m_pBitmap != nullptr)
        GdipDisposeImage(m_pBitmap);
}

bool CBenchFloorMask::Create(HDC hReferenceDC, int nWidth, int nHeight, EBenchOverlay eOverlay)
{
    CDC dc;
    if (!dc.Attach(CreateCompatibleDC(hReferenceDC)))
        return false;
    CBitmap bitmap;
    CDC reference;
    reference.Attach(hReferenceDC);
    const BOOL bCreated = bitmap.CreateCompatibleBitmap(&reference, nWidth, nHeight);
    reference.Detach();
    if (!bCreated)
    {
        DeleteDC(dc.Detach());
        return false;
    }
    HGDIOBJ hOld = SelectObject(dc.GetSafeHdc(), bitmap.GetSafeHandle());
    DrawBenchOverlay(&dc, CRect(0, 0, nWidth, nHeight), eOverlay);
    SelectObject(dc.GetSafeHdc(), hOld);
    DeleteDC(dc.Detach());

    m_info.assign(BENCH_INFO_SIZE, 0);
    BITMAPINFO* pInfo = reinterpret_cast<BITMAPINFO*>(m_info.data());
    pInfo->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    pInfo->bmiHeader.biWidth = nWidth;
    pInfo->bmiHeader.biHeight = nHeight;   // bottom-up, as GetDIBits gives it by default
    pInfo->bmiHeader.biPlanes = 1;
    pInfo->bmiHeader.biBitCount = 32;
    pInfo->bmiHeader.biCompression = BI_RGB;
    m_bits.assign(static_cast<size_t>(nWidth) * nHeight * 4, 0);
    int nLines;
    {
        CKIVOWindowDC screen(nullptr);
        nLines = GetDIBits(screen.GetHdc(), static_cast<HBITMAP>(bitmap.GetSafeHandle()), 0, nHeight, m_bits.data(),
                           pInfo, DIB_RGB_COLORS);
    }
    if (nLines != nHeight)
        return false;
    return GdipCreateBitmapFromGdiDib(pInfo, m_bits.data(), &m_pBitmap) == Ok;
}

const char* CBenchFloorComposer::GetStepName(int nStep)
{
    static const char* const s_names[STEP_COUNT] = { "copy", "bitmap", "draw", "overlay", "blit", "free" };
    return nStep >= 0 && nStep < STEP_COUNT ? s_names[nStep] : "?";
}

CBenchFloorComposer::~CBenchFloorComposer()
{
    if (m_pAttributes != nullptr)
        GdipDisposeImageAttributes(m_pAttributes);
    if (m_hMemDC != nullptr)
    {
        SelectObject(m_hMemDC, m_hOldBitmap);
        DeleteDC(m_hMemDC);
    }
    if (m_hBitmap != nullptr)
        DeleteObject(m_hBitmap);
}

bool CBenchFloorComposer::Prepare(HDC hWindowDC, const CRect& rcArea, GpBitmap* pMask, DWORD dwKeyArgb)
{
    m_rcArea = rcArea;
    m_hMemDC = CreateCompatibleDC(hWindowDC);
    m_hBitmap = CreateCompatibleBitmap(hWindowDC, rcArea.Width(), rcArea.Height());
    if (m_hMemDC == nullptr || m_hBitmap == nullptr)
        return false;
    m_hOldBitmap = SelectObject(m_hMemDC, m_hBitmap);

    m_info.assign(BENCH_INFO_SIZE, 0);
    BITMAPINFO* pInfo = reinterpret_cast<BITMAPINFO*>(m_info.data());
    for (int i = 0; i < 256; ++i)
    {
        pInfo->bmiColors[i].rgbBlue = static_cast<BYTE>(i);
        pInfo->bmiColors[i].rgbGreen = static_cast<BYTE>(i);
        pInfo->bmiColors[i].rgbRed = static_cast<BYTE>(i);
    }

    m_pMask = pMask;
    if (m_pMask != nullptr)
    {
        if (GdipCreateImageAttributes(&m_pAttributes) != Ok
            || GdipSetImageAttributesColorKeys(m_pAttributes, ColorAdjustTypeDefault, TRUE, dwKeyArgb, dwKeyArgb) != Ok)
            return false;
    }
    return true;
}

bool CBenchFloorComposer::Compose(HDC hWindowDC, const void* pData, int nWidth, int nHeight, int nBytesPerPixel,
                                  double* pdStepMs)
{
    double dStamp[STEP_COUNT + 1];
    dStamp[0] = BenchNowMs();

    const size_t nRowBytes = static_cast<size_t>(nWidth) * nBytesPerPixel;
    const size_t nStride = (nRowBytes + 3) & ~static_cast<size_t>(3);
    if (m_bits.size() < nStride * nHeight)
        m_bits.resize(nStride * nHeight);
    BITMAPINFO* pInfo = reinterpret_cast<BITMAPINFO*>(m_info.data());
    pInfo->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    pInfo->bmiHeader.biWidth = nWidth;
    pInfo->bmiHeader.biHeight = -nHeight;
    pInfo->bmiHeader.biPlanes = 1;
    pInfo->bmiHeader.biBitCount = static_cast<WORD>(nBytesPerPixel * 8);
    pInfo->bmiHeader.biCompression = BI_RGB;
    pInfo->bmiHeader.biClrUsed = nBytesPerPixel == 1 ? 256 : 0;
    const BYTE* pSource = static_cast<const BYTE*>(pData);
    if (nStride == nRowBytes)
        memcpy(m_bits.data(), pSource, nRowBytes * nHeight);
    else
        for (int y = 0; y < nHeight; ++y)
            memcpy(m_bits.data() + y * nStride, pSource + y * nRowBytes, nRowBytes);
    dStamp[1] = BenchNowMs();

    GpBitmap* pBitmap = nullptr;
    if (GdipCreateBitmapFromGdiDib(pInfo, m_bits.data(), &pBitmap) != Ok)
        return false;
    dStamp[2] = BenchNowMs();

    GpGraphics* pGraphics = nullptr;
    bool bOk = GdipCreateFromHDC(m_hMemDC, &pGraphics) == Ok
               && GdipDrawImageRectI(pGraphics, pBitmap, 0, 0, m_rcArea.Width(), m_rcArea.Height()) == Ok;
    dStamp[3] = BenchNowMs();
    if (bOk && m_pMask != nullptr)
        bOk = GdipDrawImageRectRectI(pGraphics, m_pMask, 0, 0, m_rcArea.Width(), m_rcArea.Height(), 0, 0,
                                     m_rcArea.Width(), m_rcArea.Height(), UnitPixel, m_pAttributes, nullptr, nullptr)
              == Ok;
    if (pGraphics != nullptr)
        GdipDeleteGraphics(pGraphics);
    dStamp[4] = BenchNowMs();

    if (bOk)
        bOk =
            BitBlt(hWindowDC, m_rcArea.left, m_rcArea.top, m_rcArea.Width(), m_rcArea.Height(), m_hMemDC, 0, 0, SRCCOPY)
            != FALSE;
    dStamp[5] = BenchNowMs();

    GdipDisposeImage(pBitmap);
    dStamp[6] = BenchNowMs();

    if (pdStepMs != nullptr)
        for (int i = 0; i < STEP_COUNT; ++i)
            pdStepMs[i] += dStamp[i + 1] - dStamp[i];
    return bOk;
}
