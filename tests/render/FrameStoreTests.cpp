// The frame store and the conversion of server pictures into bitmaps.
#include "RenderTestSupport.h"
#include "live/KivoFrameSet.h"

namespace
{
class FrameStore : public ::testing::Test
{
protected:
    CKIVOClientThread m_worker{ nullptr };   // no client needed for the store

    // Stores a new picture (and mask, when asked) and returns what was stored.
    void StoreNew(bool bWithMask, DWORD dwKey, int bHasKey, int bAllKey, CTestFrame& picture, CTestFrame& mask)
    {
        ASSERT_TRUE(MakeFrame(GreyRamp(8, 4, 16), 8, 4, 1, 1, picture));
        if (bWithMask)
        {
            ASSERT_TRUE(MakeFrame(SolidColour(8, 4, RGB(1, 2, 3)), 8, 4, 4, 0, mask));
        }
        EXPECT_TRUE(m_worker.StoreFrames(picture.pBitmap, picture.pInfo, picture.pBits, mask.pBitmap,
                                         mask.pInfo, mask.pBits, dwKey, bHasKey, bAllKey));
        picture.Release();
        mask.Release();
    }
};
}

TEST_F(FrameStore, IncompletePictureStoresNothing)
{
    CTestFrame picture;
    ASSERT_TRUE(MakeFrame(GreyRamp(8, 4, 16), 8, 4, 1, 1, picture));
    EXPECT_FALSE(m_worker.StoreFrames(picture.pBitmap, nullptr, picture.pBits, nullptr, nullptr, nullptr,
                                      0xFF123456, 1, 0));
    EXPECT_EQ(nullptr, m_worker.m_pPicture);
    EXPECT_EQ(0xFF000000u, m_worker.m_pKeyColor->GetValue());
    EXPECT_EQ(0, m_worker.m_bMaskHasKeyColor);
    EXPECT_EQ(1, m_worker.m_bMaskAllKeyColor);
}

TEST_F(FrameStore, NullMaskKeepsTheStoredMaskAndSamePointersFreeNothing)
{
    CTestFrame picture, mask, picture2, none;
    StoreNew(true, 0xFF00FF00, 1, 0, picture, mask);
    Gdiplus::Bitmap* pMask = m_worker.m_pMask;
    Gdiplus::Bitmap* pPicture = m_worker.m_pPicture;
    ASSERT_NE(nullptr, pMask);

    // The same pieces once more: nothing is disposed of, the bitmaps stay usable.
    EXPECT_TRUE(m_worker.StoreFrames(m_worker.m_pPicture, m_worker.m_pPictureInfo, m_worker.m_pPictureBits,
                                     m_worker.m_pMask, m_worker.m_pMaskInfo, m_worker.m_pMaskBits,
                                     0xFF00FF00, 1, 0));
    EXPECT_EQ(8u, pPicture->GetWidth());
    EXPECT_EQ(8u, pMask->GetWidth());

    StoreNew(false, 0xFF0000FF, 1, 1, picture2, none);
    EXPECT_NE(pPicture, m_worker.m_pPicture);
    EXPECT_EQ(pMask, m_worker.m_pMask);
    EXPECT_EQ(0xFF0000FFu, m_worker.m_pKeyColor->GetValue());
    EXPECT_EQ(1, m_worker.m_bMaskAllKeyColor);
}

TEST_F(FrameStore, TakeMovesEverythingOutButTheKey)
{
    CTestFrame picture, mask;
    StoreNew(true, 0xFFABCDEF, 1, 0, picture, mask);

    Gdiplus::Bitmap *pPicture = nullptr, *pMask = nullptr;
    BITMAPINFO *pPictureInfo = nullptr, *pMaskInfo = nullptr;
    void *pPictureBits = nullptr, *pMaskBits = nullptr;
    DWORD dwKey = 0;
    int bHasKey = -1, bAllKey = -1;
    EXPECT_TRUE(m_worker.TakeFrames(&pPicture, &pPictureInfo, &pPictureBits, &pMask, &pMaskInfo, &pMaskBits,
                                    &dwKey, &bHasKey, &bAllKey, TRUE));
    EXPECT_NE(nullptr, pPicture);
    EXPECT_NE(nullptr, pMask);
    EXPECT_EQ(0xFFABCDEFu, dwKey);
    EXPECT_EQ(1, bHasKey);
    EXPECT_EQ(0, bAllKey);
    EXPECT_EQ(nullptr, m_worker.m_pPicture);
    EXPECT_EQ(nullptr, m_worker.m_pMaskBits);
    EXPECT_EQ(0, m_worker.m_bMaskHasKeyColor);
    EXPECT_EQ(1, m_worker.m_bMaskAllKeyColor);
    EXPECT_EQ(0xFFABCDEFu, m_worker.m_pKeyColor->GetValue());

    // Outputs already in use: nothing moves.
    Gdiplus::Bitmap* pSecond = nullptr;
    EXPECT_FALSE(m_worker.TakeFrames(&pPicture, &pPictureInfo, &pPictureBits, &pSecond, &pMaskInfo,
                                     &pMaskBits, &dwKey, &bHasKey, &bAllKey, TRUE));

    // Handed back, the store owns them again.
    EXPECT_TRUE(m_worker.StoreFrames(pPicture, pPictureInfo, pPictureBits, pMask, pMaskInfo, pMaskBits, dwKey,
                                     bHasKey, bAllKey));
}

TEST_F(FrameStore, ClearKeepsKeyAndFlags)
{
    CTestFrame picture, mask;
    StoreNew(true, 0xFF112233, 1, 0, picture, mask);
    m_worker.ClearFrames();
    EXPECT_EQ(nullptr, m_worker.m_pPicture);
    EXPECT_EQ(nullptr, m_worker.m_pMask);
    EXPECT_EQ(0xFF112233u, m_worker.m_pKeyColor->GetValue());
    EXPECT_EQ(1, m_worker.m_bMaskHasKeyColor);
    EXPECT_EQ(0, m_worker.m_bMaskAllKeyColor);
}

TEST(PictureBitmap, GreyPictureHasAGreyPaletteAndKeepsOddWidthsStraight)
{
    const int nWidth = 5, nHeight = 3;   // rows of 5 bytes, 8 in the bitmap
    std::vector<BYTE> bytes(nWidth * nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            bytes[y * nWidth + x] = static_cast<BYTE>(y * 80 + x * 10);
    CTestFrame frame;
    ASSERT_TRUE(MakeFrame(bytes, nWidth, nHeight, 1, 1, frame));
    EXPECT_EQ(8, frame.pInfo->bmiHeader.biBitCount);
    EXPECT_EQ(256u, frame.pInfo->bmiHeader.biClrUsed);
    EXPECT_EQ(-nHeight, frame.pInfo->bmiHeader.biHeight);
    EXPECT_EQ(200, frame.pInfo->bmiColors[200].rgbGreen);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
        {
            Gdiplus::Color pixel;
            ASSERT_EQ(Gdiplus::Ok, frame.pBitmap->GetPixel(x, y, &pixel));
            EXPECT_EQ(y * 80 + x * 10, pixel.GetGreen()) << x << "," << y;
            EXPECT_EQ(pixel.GetRed(), pixel.GetBlue());
        }
}

TEST(PictureBitmap, ColourAndOtherFormatsAre32Bit)
{
    CTestFrame frame;
    ASSERT_TRUE(MakeFrame(SolidColour(4, 2, RGB(200, 100, 50)), 4, 2, 4, 0, frame));
    EXPECT_EQ(32, frame.pInfo->bmiHeader.biBitCount);
    Gdiplus::Color pixel;
    ASSERT_EQ(Gdiplus::Ok, frame.pBitmap->GetPixel(3, 1, &pixel));
    EXPECT_EQ(200, pixel.GetRed());
    EXPECT_EQ(100, pixel.GetGreen());
    EXPECT_EQ(50, pixel.GetBlue());
    ASSERT_TRUE(MakeFrame(SolidColour(4, 2, RGB(1, 2, 3)), 4, 2, 4, 2, frame));
    EXPECT_EQ(32, frame.pInfo->bmiHeader.biBitCount);
}

TEST(PictureBitmap, InconsistentPicturesAreRefused)
{
    std::vector<BYTE> bytes = GreyRamp(8, 8, 1);
    CTestFrame frame;
    int nWidth = 8, nHeight = 8, nBytes = 1, nFormat = 1;
    frame.pBitmap = CKIVOClientThread::CreatePictureBitmap(nullptr, 64, &nWidth, &nHeight, &nBytes, &nFormat,
                                                           &frame.pInfo, &frame.pBits);
    EXPECT_EQ(nullptr, frame.pBitmap);
    EXPECT_EQ(nullptr, frame.pInfo);
    EXPECT_FALSE(MakeFrame(bytes, 8, 9, 1, 1, frame));        // more rows than data
    EXPECT_FALSE(MakeFrame(bytes, 8, 8, 4, 1, frame));        // 4 bytes a pixel said, grey format
    EXPECT_FALSE(MakeFrame(bytes, 8, 2, 1, 0, frame));        // colour format with 1 byte a pixel
    EXPECT_FALSE(MakeFrame(bytes, 0, 8, 1, 1, frame));
    EXPECT_FALSE(MakeFrame(bytes, -8, -8, 1, 1, frame));
    EXPECT_FALSE(MakeFrame(bytes, 0x10000, 0x10000, 1, 1, frame));   // 4 GiB: beyond 32 bits
    EXPECT_EQ(nullptr, frame.pInfo);
    EXPECT_EQ(nullptr, frame.pBits);
    EXPECT_TRUE(MakeFrame(bytes, 8, 8, 1, 1, frame));
}

// Large pixel buffers given back are kept for the next picture of the same
// size; whatever comes out of one must be the new picture's pixels alone.
namespace
{
COLORREF PixelOf(const CTestFrame& frame, int x, int y)
{
    Gdiplus::Color pixel;
    if (frame.pBitmap->GetPixel(x, y, &pixel) != Gdiplus::Ok)
        return CLR_INVALID;
    return RGB(pixel.GetRed(), pixel.GetGreen(), pixel.GetBlue());
}

void DisposeFrame(CTestFrame& frame)
{
    DisposeFramePiece(frame.pBitmap);
    DisposeFramePiece(frame.pInfo);
    DisposeFramePiece(frame.pBits);
    frame.Release();
}
}

TEST(PictureBitmap, LargePicturesShowTheirOwnPixelsWhetherBuffersAreReusedOrNot)
{
    const int nWidth = 320, nHeight = 240;   // 75 KB of grey: buffers this large are kept
    std::vector<BYTE> first = GreyRamp(nWidth, nHeight, 1);
    std::vector<BYTE> second(first.size());
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            second[y * nWidth + x] = static_cast<BYTE>(255 - y);

    CTestFrame frame;
    ASSERT_TRUE(MakeFrame(first, nWidth, nHeight, 1, 1, frame));
    void* pFirstBits = frame.pBits;
    DisposeFrame(frame);
    ASSERT_TRUE(MakeFrame(second, nWidth, nHeight, 1, 1, frame));
    ASSERT_EQ(pFirstBits, frame.pBits) << "the second picture should have taken the first one's buffer";
    for (int y : { 0, 1, nHeight / 2, nHeight - 1 })
        for (int x : { 0, 7, nWidth / 2, nWidth - 1 })
            EXPECT_EQ(RGB(255 - y, 255 - y, 255 - y), PixelOf(frame, x, y)) << x << "," << y;

    // While a picture lives, the next one of its size gets a buffer of its own.
    CTestFrame living;
    ASSERT_TRUE(MakeFrame(first, nWidth, nHeight, 1, 1, living));
    EXPECT_NE(frame.pBits, living.pBits);
    EXPECT_EQ(RGB(255, 255, 255), PixelOf(frame, 5, 0));
    EXPECT_EQ(RGB(5, 5, 5), PixelOf(living, 5, 0));

    // A kept buffer of another size is not used for a colour picture.
    DisposeFrame(frame);
    std::vector<BYTE> colour = SolidColour(nWidth, 80, RGB(10, 200, 30));
    ASSERT_TRUE(MakeFrame(colour, nWidth, 80, 4, 0, frame));
    EXPECT_GE(_msize(frame.pBits), static_cast<size_t>(nWidth) * 80 * 4);
    EXPECT_EQ(RGB(10, 200, 30), PixelOf(frame, nWidth - 1, 79));
}
