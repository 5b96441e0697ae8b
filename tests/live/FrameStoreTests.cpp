// The frame store and the conversion of server pictures into bitmaps.
#include "RenderTestSupport.h"
#include "KivoFrameSet.h"

namespace
{
// A frame set of a new picture (and mask, when asked) with the key and flags given.
CKIVOFrameSet NewSet(bool bWithMask, DWORD dwKey, int bHasKey, int bAllKey)
{
    CKIVOFrameSet frames;
    EXPECT_TRUE(MakeFrame(GreyRamp(8, 4, 16), 8, 4, 1, 1, frames.picture));
    EXPECT_TRUE(MakeFrame(SolidColour(8, 4, RGB(1, 2, 3)), 8, 4, 4, 0, frames.mask));
    if (!bWithMask)
        frames.mask.Reset();
    frames.dwKeyColor = dwKey;
    frames.bMaskHasKeyColor = bHasKey;
    frames.bMaskAllKeyColor = bAllKey;
    return frames;
}
}

TEST(FrameStore, StoreMovesACompletePictureInAndANullMaskKeepsTheStoredOne)
{
    CKIVOClientThread worker(nullptr);   // no client needed for the store
    CKIVOFrameSet incomplete = NewSet(true, 0xFF123456, 1, 0);
    incomplete.picture.Reset();
    EXPECT_FALSE(worker.StoreFrames(incomplete));   // nothing stored, not even the key and flags
    EXPECT_TRUE(CKIVOClientThreadTestAccess::Frames(worker).mask.IsNull());
    EXPECT_EQ(0xFF000000u, CKIVOClientThreadTestAccess::Frames(worker).dwKeyColor);
    EXPECT_EQ(1, CKIVOClientThreadTestAccess::Frames(worker).bMaskAllKeyColor);

    CKIVOFrameSet first = NewSet(true, 0xFF00FF00, 1, 0);
    Gdiplus::Bitmap* pMask = first.mask.GetBitmap();
    ASSERT_TRUE(worker.StoreFrames(first));
    EXPECT_TRUE(first.picture.IsNull());   // moved, not shared
    EXPECT_TRUE(first.mask.IsNull());
    EXPECT_EQ(pMask, CKIVOClientThreadTestAccess::Frames(worker).mask.GetBitmap());

    CKIVOFrameSet second = NewSet(false, 0xFF0000FF, 1, 1);
    Gdiplus::Bitmap* pPicture = second.picture.GetBitmap();
    ASSERT_TRUE(worker.StoreFrames(second));
    EXPECT_EQ(pPicture, CKIVOClientThreadTestAccess::Frames(worker).picture.GetBitmap());
    EXPECT_EQ(pMask, CKIVOClientThreadTestAccess::Frames(worker).mask.GetBitmap());
    EXPECT_EQ(0xFF0000FFu, CKIVOClientThreadTestAccess::Frames(worker).dwKeyColor);
    EXPECT_EQ(1, CKIVOClientThreadTestAccess::Frames(worker).bMaskAllKeyColor);
}

// The store may be emptied while a run holds what it took: the run's frames
// are its own (the heap-checked run reports any second free).
TEST(FrameStore, TakeMovesEverythingOutButTheKeyAndClearKeepsKeyAndFlags)
{
    CKIVOClientThread worker(nullptr);
    CKIVOFrameSet stored = NewSet(true, 0xFFABCDEF, 1, 0);
    ASSERT_TRUE(worker.StoreFrames(stored));
    CKIVOFrameSet taken;
    ASSERT_TRUE(worker.TakeFrames(taken));
    EXPECT_TRUE(taken.mask.IsComplete());
    EXPECT_EQ(0xFFABCDEFu, taken.dwKeyColor);
    EXPECT_EQ(1, taken.bMaskHasKeyColor);
    EXPECT_EQ(0, taken.bMaskAllKeyColor);
    EXPECT_FALSE(worker.HasStoredPicture());
    EXPECT_TRUE(CKIVOClientThreadTestAccess::Frames(worker).mask.IsNull());
    EXPECT_EQ(0, CKIVOClientThreadTestAccess::Frames(worker).bMaskHasKeyColor);
    EXPECT_EQ(1, CKIVOClientThreadTestAccess::Frames(worker).bMaskAllKeyColor);
    EXPECT_EQ(0xFFABCDEFu, CKIVOClientThreadTestAccess::Frames(worker).dwKeyColor);

    ASSERT_TRUE(worker.StoreFrames(stored = NewSet(true, 0xFF010203, 1, 0)));
    EXPECT_FALSE(worker.TakeFrames(taken));   // a set that holds frames takes nothing
    EXPECT_TRUE(worker.HasStoredPicture());
    worker.ClearFrames();
    EXPECT_FALSE(worker.HasStoredPicture());
    EXPECT_TRUE(CKIVOClientThreadTestAccess::Frames(worker).mask.IsNull());
    EXPECT_EQ(8u, taken.picture.GetBitmap()->GetWidth());
    EXPECT_EQ(0xFF010203u, CKIVOClientThreadTestAccess::Frames(worker).dwKeyColor);
    EXPECT_EQ(1, CKIVOClientThreadTestAccess::Frames(worker).bMaskHasKeyColor);
    EXPECT_EQ(0, CKIVOClientThreadTestAccess::Frames(worker).bMaskAllKeyColor);
}

TEST(PictureBitmap, GreyPictureHasAGreyPaletteAndOddWidthsStayStraightColourIs32Bit)
{
    const int nWidth = 5, nHeight = 3;   // rows of 5 bytes, 8 in the bitmap
    std::vector<BYTE> bytes(nWidth * nHeight);
    for (int i = 0; i < nWidth * nHeight; ++i)
        bytes[i] = static_cast<BYTE>(i / nWidth * 80 + i % nWidth * 10);
    CKIVOFrame frame;
    ASSERT_TRUE(MakeFrame(bytes, nWidth, nHeight, 1, 1, frame));
    EXPECT_EQ(8, frame.GetInfo()->bmiHeader.biBitCount);
    EXPECT_EQ(-nHeight, frame.GetInfo()->bmiHeader.biHeight);
    for (int i = 0; i < nWidth * nHeight; ++i)
        EXPECT_EQ(RGB(bytes[i], bytes[i], bytes[i]), PixelOf(frame, i % nWidth, i / nWidth)) << i;

    for (int nFormat : { 0, 2 })
    {
        ASSERT_TRUE(MakeFrame(SolidColour(4, 2, RGB(200, 100, 50)), 4, 2, 4, nFormat, frame));
        EXPECT_EQ(32, frame.GetInfo()->bmiHeader.biBitCount);
        EXPECT_EQ(RGB(200, 100, 50), PixelOf(frame, 3, 1));
    }
}

TEST(PictureBitmap, InconsistentPicturesAreRefused)
{
    std::vector<BYTE> bytes = GreyRamp(8, 8, 1);
    CKIVOFrame frame;
    int nWidth = 8, nHeight = 8, nBytes = 1, nFormat = 1;
    EXPECT_TRUE(CKIVOClientThread::CreatePictureBitmap(nullptr, 64, &nWidth, &nHeight, &nBytes, &nFormat).IsNull());
    EXPECT_FALSE(MakeFrame(bytes, 8, 9, 1, 1, frame));   // more rows than data
    EXPECT_FALSE(MakeFrame(bytes, 8, 8, 4, 1, frame));   // 4 bytes a pixel said, grey format
    EXPECT_FALSE(MakeFrame(bytes, 8, 2, 1, 0, frame));   // colour format with 1 byte a pixel
    EXPECT_FALSE(MakeFrame(bytes, 0, 8, 1, 1, frame));
    EXPECT_FALSE(MakeFrame(bytes, -8, -8, 1, 1, frame));
    EXPECT_FALSE(MakeFrame(bytes, 0x10000, 0x10000, 1, 1, frame));   // 4 GiB: beyond 32 bits
    EXPECT_EQ(nullptr, frame.GetBits());
    EXPECT_TRUE(MakeFrame(bytes, 8, 8, 1, 1, frame));
}

// Large pixel buffers given back are kept for the next picture of the same
// size; a buffer is never shared by two living pictures.
TEST(PictureBitmap, LargePicturesKeepTheirOwnPixelsWhetherBuffersAreReusedOrNot)
{
    const int nWidth = 320, nHeight = 240;   // 75 KB of grey: buffers this large are kept
    CKIVOFrame first, second, third;
    ASSERT_TRUE(MakeFrame(GreyRamp(nWidth, nHeight, 1), nWidth, nHeight, 1, 1, first));
    first.Reset();
    ASSERT_TRUE(MakeFrame(GreyRamp(nWidth, nHeight, 2), nWidth, nHeight, 1, 1, second));
    ASSERT_TRUE(MakeFrame(GreyRamp(nWidth, nHeight, 3), nWidth, nHeight, 1, 1, third));
    EXPECT_NE(second.GetBits(), third.GetBits());
    EXPECT_EQ(RGB(200, 200, 200), PixelOf(second, 100, nHeight - 1));
    EXPECT_EQ(RGB(150, 150, 150), PixelOf(third, 50, nHeight - 1));
    ASSERT_TRUE(MakeFrame(SolidColour(nWidth, 80, RGB(10, 200, 30)), nWidth, 80, 4, 0, first));
    EXPECT_EQ(RGB(10, 200, 30), PixelOf(first, nWidth - 1, 79));
}
