// GrabPngWriter.h: pictures of the camera saved as PNG files through GDI+.
#pragma once

#include <afx.h>

// How the camera's bytes lie, rows top-down without padding.
enum EGrabPixelLayout
{
    GRAB_PIXELS_GREY8,   // 1 byte per pixel, saved with a grey palette
    GRAB_PIXELS_BGR24,   // B, G, R
    GRAB_PIXELS_BGRX32   // B, G, R and an unused byte; saved as 24-bit colour
};

int GetGrabBytesPerPixel(EGrabPixelLayout eLayout);

// Saves the picture as a PNG; throws CGrabFailure (GRAB_EXIT_FILE) when GDI+
// cannot encode or write it. pPixels holds nWidth * nHeight pixels.
void SaveGrabPng(const CString& strFile, const BYTE* pPixels, int nWidth, int nHeight, EGrabPixelLayout eLayout);
