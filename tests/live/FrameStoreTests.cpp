// The frame store and the conversion of server pictures into bitmaps.
#include "RenderTestSupport.h"
#include "KivoFrameSet.h"

namespace
{
class FrameStore : public ::testing::Test
{
protected:
    CKIVOClientThread m_worker{ nullptr };   // no client needed for the store

    // A frame set of a new picture (and mask, when asked) with the key and flags given.
    static CKIVOFrameSet NewSet(bool bWithMask, DWORD dwKey, int bHasKey, int bAllKey)
    {
        CKIVOFrameSet frames;
        EXPECT_TRUE(MakeFrame(GreyRamp(8, 4, 16), 8, 4, 1, 1, frames.picture));
        if (bWithMask)
        {
            EXPECT_TRUE(MakeFrame(SolidColour(8, 4, RGB(1, 2, 3)), 8, 4, 4, 0, frames.mask));
        }
        frames.dwKeyColor = dwKey;
        frames.bMaskHasKeyColor = bHasKey;
        frames.bMaskAllKeyColor = bAllKey;
        return frames;
    }
};
}

TEST_F(FrameStore, IncompletePictureStoresNothing)
{
    CKIVOFrameSet frames = NewSet(true, 0xFF123456, 1, 0);
    frames.picture = CKIVOFrame();
    EXPECT_FALSE(m_worker.StoreFrames(frames));
    EXPECT_FALSE(m_worker.HasStoredPicture());
    EXPECT_TRUE(m_worker.m_Frames.mask.IsNull());
    EXPECT_FALSE(frames.mask.IsNull());   // still the caller's
    EXPECT_EQ(0xFF000000u, m_worker.m_Frames.dwKeyColor);
    EXPECT_EQ(0, m_worker.m_Frames.bMaskHasKeyColor);
    EXPECT_EQ(1, m_worker.m_Frames.bMaskAllKeyColor);
}

TEST_F(FrameStore, StoreTakesThePiecesAndANullMaskKeepsTheStoredOne)
{
    CKIVOFrameSet first = NewSet(true, 0xFF00FF00, 1, 0);
    Gdiplus::Bitmap* pMask = first.mask.GetBitmap();
    ASSERT_TRUE(m_worker.StoreFrames(first));
    EXPECT_TRUE(first.picture.IsNull());   // moved, not shared
    EXPECT_TRUE(first.mask.IsNull());
    EXPECT_EQ(pMask, m_worker.m_Frames.mask.GetBitmap());

    CKIVOFrameSet second = NewSet(false, 0xFF0000FF, 1, 1);
    Gdiplus::Bitmap* pPicture = second.picture.GetBitmap();
    ASSERT_TRUE(m_worker.StoreFrames(second));
    EXPECT_EQ(pPicture, m_worker.m_Frames.picture.GetBitmap());
    EXPECT_EQ(pMask, m_worker.m_Frames.mask.GetBitmap());
    EXPECT_EQ(8u, m_worker.m_Frames.mask.GetBitmap()->GetWidth());
    EXPECT_EQ(0xFF0000FFu, m_worker.m_Frames.dwKeyColor);
    EXPECT_EQ(1, m_worker.m_Frames.bMaskAllKeyColor);
}

TEST_F(FrameStore, TakeMovesEverythingOutButTheKey)
{
    CKIVOFrameSet stored = NewSet(true, 0xFFABCDEF, 1, 0);
    ASSERT_TRUE(m_worker.StoreFrames(stored));

    CKIVOFrameSet taken;
    EXPECT_TRUE(m_worker.TakeFrames(taken));
    EXPECT_TRUE(taken.picture.IsComplete());
    EXPECT_TRUE(taken.mask.IsComplete());
    EXPECT_EQ(0xFFABCDEFu, taken.dwKeyColor);
    EXPECT_EQ(1, taken.bMaskHasKeyColor);
    EXPECT_EQ(0, taken.bMaskAllKeyColor);
    EXPECT_FALSE(m_worker.HasStoredPicture());
    EXPECT_TRUE(m_worker.m_Frames.mask.IsNull());
    EXPECT_EQ(0, m_worker.m_Frames.bMaskHasKeyColor);
    EXPECT_EQ(1, m_worker.m_Frames.bMaskAllKeyColor);
    EXPECT_EQ(0xFFABCDEFu, m_worker.m_Frames.dwKeyColor);

    // A set that already holds frames takes nothing.
    ASSERT_TRUE(m_worker.StoreFrames(stored = NewSet(false, 0xFF010203, 0, 1)));
    EXPECT_FALSE(m_worker.TakeFrames(taken));
    EXPECT_TRUE(m_worker.HasStoredPicture());
}

// The store may be emptied while a run holds what it took; the run's frames
// are its own, so storing them afterwards and emptying again frees each once
// (the heap-checked run reports any second free).
TEST_F(FrameStore, ClearWhileTakenAndClearAfterStoreFreeEachFrameOnce)
{
    CKIVOFrameSet stored = NewSet(true, 0xFF112233, 1, 0);
    ASSERT_TRUE(m_worker.StoreFrames(stored));
    CKIVOFrameSet run;
    ASSERT_TRUE(m_worker.TakeFrames(run));
    m_worker.ClearFrames();
    EXPECT_TRUE(run.picture.IsComplete());
    EXPECT_EQ(8u, run.picture.GetBitmap()->GetWidth());
    ASSERT_TRUE(m_worker.StoreFrames(run));
    m_worker.ClearFrames();
    EXPECT_FALSE(m_worker.HasStoredPicture());
    EXPECT_TRUE(m_worker.m_Frames.mask.IsNull());
    EXPECT_EQ(0xFF112233u, m_worker.m_Frames.dwKeyColor);   // key and flags stay
    EXPECT_EQ(1, m_worker.m_Frames.bMaskHasKeyColor);
    EXPECT_EQ(0, m_worker.m_Frames.bMaskAllKeyColor);
}

TEST(PictureBitmap, GreyPictureHasAGreyPaletteAndKeepsOddWidthsStraight)
{
    const int nWidth = 5, nHeight = 3;   // rows of 5 bytes, 8 in the bitmap
    std::vector<BYTE> bytes(nWidth * nHeight);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
            bytes[y * nWidth + x] = static_cast<BYTE>(y * 80 + x * 10);
    CKIVOFrame frame;
    ASSERT_TRUE(MakeFrame(bytes, nWidth, nHeight, 1, 1, frame));
    EXPECT_EQ(8, frame.GetInfo()->bmiHeader.biBitCount);
    EXPECT_EQ(256u, frame.GetInfo()->bmiHeader.biClrUsed);
    EXPECT_EQ(-nHeight, frame.GetInfo()->bmiHeader.biHeight);
    EXPECT_EQ(200, frame.GetInfo()->bmiColors[200].rgbGreen);
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
        {
            Gdiplus::Color pixel;
            ASSERT_EQ(Gdiplus::Ok, frame.GetBitmap()->GetPixel(x, y, &pixel));
            EXPECT_EQ(y * 80 + x * 10, pixel.GetGreen()) << x << "," << y;
            EXPECT_EQ(pixel.GetRed(), pixel.GetBlue());
        }
}

TEST(PictureBitmap, ColourAndOtherFormatsAre32Bit)
{
    CKIVOFrame frame;
    ASSERT_TRUE(MakeFrame(SolidColour(4, 2, RGB(200, 100, 50)), 4, 2, 4, 0, frame));
    EXPECT_EQ(32, frame.GetInfo()->bmiHeader.biBitCount);
    Gdiplus::Color pixel;
    ASSERT_EQ(Gdiplus::Ok, frame.GetBitmap()->GetPixel(3, 1, &pixel));
    EXPECT_EQ(200, pixel.GetRed());
    EXPECT_EQ(100, pixel.GetGreen());
    EXPECT_EQ(50, pixel.GetBlue());
    ASSERT_TRUE(MakeFrame(SolidColour(4, 2, RGB(1, 2, 3)), 4, 2, 4, 2, frame));
    EXPECT_EQ(32, frame.GetInfo()->bmiHeader.biBitCount);
}

TEST(PictureBitmap, InconsistentPicturesAreRefused)
{
    std::vector<BYTE> bytes = GreyRamp(8, 8, 1);
    CKIVOFrame frame;
    int nWidth = 8, nHeight = 8, nBytes = 1, nFormat = 1;
    frame = CKIVOClientThread::CreatePictureBitmap(nullptr, 64, &nWidth, &nHeight, &nBytes, &nFormat);
    EXPECT_EQ(nullptr, frame.GetInfo());
    EXPECT_FALSE(MakeFrame(bytes, 8, 9, 1, 1, frame));        // more rows than data
    EXPECT_FALSE(MakeFrame(bytes, 8, 8, 4, 1, frame));        // 4 bytes a pixel said, grey format
    EXPECT_FALSE(MakeFrame(bytes, 8, 2, 1, 0, frame));        // colour format with 1 byte a pixel
    EXPECT_FALSE(MakeFrame(bytes, 0, 8, 1, 1, frame));
    EXPECT_FALSE(MakeFrame(bytes, -8, -8, 1, 1, frame));
    EXPECT_FALSE(MakeFrame(bytes, 0x10000, 0x10000, 1, 1, frame));   // 4 GiB: beyond 32 bits
    EXPECT_EQ(nullptr, frame.GetInfo());
    EXPECT_EQ(nullptr, frame.GetBits());
    EXPECT_TRUE(MakeFrame(bytes, 8, 8, 1, 1, frame));
}

// Large pixel buffers given back are kept for the next picture of the same
// size; whatever comes out of one must be the new picture's pixels alone.
namespace
{
COLORREF PixelOf(const CKIVOFrame& frame, int x, int y)
{
    Gdiplus::Color pixel;
    if (frame.GetBitmap()->GetPixel(x, y, &pixel) != Gdiplus::Ok)
        return CLR_INVALID;
    return RGB(pixel.GetRed(), pixel.GetGreen(), pixel.GetBlue());
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

    CKIVOFrame frame;
    ASSERT_TRUE(MakeFrame(first, nWidth, nHeight, 1, 1, frame));
    void* pFirstBits = frame.GetBits();
    frame.Reset();
    ASSERT_TRUE(MakeFrame(second, nWidth, nHeight, 1, 1, frame));
    ASSERT_EQ(pFirstBits, frame.GetBits()) << "the second picture should have taken the first one's buffer";
    for (int y : { 0, 1, nHeight / 2, nHeight - 1 })
        for (int x : { 0, 7, nWidth / 2, nWidth - 1 })
            EXPECT_EQ(RGB(255 - y, 255 - y, 255 - y), PixelOf(frame, x, y)) << x << "," << y;

    // While a picture lives, the next one of its size gets a buffer of its own.
    CKIVOFrame living;
    ASSERT_TRUE(MakeFrame(first, nWidth, nHeight, 1, 1, living));
    EXPECT_NE(frame.GetBits(), living.GetBits());
    EXPECT_EQ(RGB(255, 255, 255), PixelOf(frame, 5, 0));
    EXPECT_EQ(RGB(5, 5, 5), PixelOf(living, 5, 0));

    // A kept buffer of another size is not used for a colour picture.
    frame.Reset();
    std::vector<BYTE> colour = SolidColour(nWidth, 80, RGB(10, 200, 30));
    ASSERT_TRUE(MakeFrame(colour, nWidth, 80, 4, 0, frame));
    EXPECT_GE(_msize(frame.GetBits()), static_cast<size_t>(nWidth) * 80 * 4);
    EXPECT_EQ(RGB(10, 200, 30), PixelOf(frame, nWidth - 1, 79));
}
