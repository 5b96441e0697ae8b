// BenchPicture.h: the pictures the benchmark composes, as a server delivers
// them (rows top-down without padding), and the cases it measures.
#pragma once

#include <afxwin.h>   // MFC before any Windows header

#include <string>
#include <vector>

struct CBenchPicture
{
    int nWidth = 0;
    int nHeight = 0;
    int nBytesPerPixel = 1;   // 1: 8-bit grey (format 1); 4: 32-bit colour B, G, R, 0xFF (format 0)
    int nFormat = 1;
    std::vector<BYTE> bytes;

    std::string GetName() const;   // "1280x1024_grey"
};

// A grey ramp with a diagonal band, or the same pattern in colour.
CBenchPicture MakeBenchPicture(int nWidth, int nHeight, bool bColour);

// The picture sizes of the composition and live loop cases.
struct CBenchPictureKind
{
    int nWidth;
    int nHeight;
    bool bColour;
};
std::vector<CBenchPictureKind> GetBenchPictureKinds();
