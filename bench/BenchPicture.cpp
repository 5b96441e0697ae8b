// BenchPicture.cpp: the benchmark's pictures.
#include "BenchPicture.h"

std::string CBenchPicture::GetName() const
{
    return std::to_string(nWidth) + "x" + std::to_string(nHeight) + (nBytesPerPixel == 4 ? "_colour" : "_grey");
}

CBenchPicture MakeBenchPicture(int nWidth, int nHeight, bool bColour)
{
    CBenchPicture picture;
    picture.nWidth = nWidth;
    picture.nHeight = nHeight;
    picture.nBytesPerPixel = bColour ? 4 : 1;
    picture.nFormat = bColour ? 0 : 1;
    picture.bytes.resize(static_cast<size_t>(nWidth) * nHeight * picture.nBytesPerPixel);
    BYTE* p = picture.bytes.data();
    for (int y = 0; y < nHeight; ++y)
        for (int x = 0; x < nWidth; ++x)
        {
            const BYTE value = static_cast<BYTE>(((x + y) / 8) % 64 == 0 ? 255 : (x * 255) / nWidth);
            if (!bColour)
                *p++ = value;
            else
            {
                *p++ = value;                                    // blue
                *p++ = static_cast<BYTE>((y * 255) / nHeight);   // green
                *p++ = static_cast<BYTE>(255 - value);           // red
                *p++ = 0xFF;
            }
        }
    return picture;
}

std::vector<CBenchPictureKind> GetBenchPictureKinds()
{
    return { { 640, 480, false }, { 1280, 1024, false }, { 1280, 1024, true } };
}
