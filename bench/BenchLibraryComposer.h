// BenchLibraryComposer.h: the library's own per-picture work, called the way
// one pass of the live picture loop calls it: the paint device assigned to the
// window's DC, CreatePictureBitmap, the frame set's picture replaced,
// ComposeLivePicture into the device, UnAssign and one BlitToCDC into the window.
#pragma once

#include <KivoClient.h>

#include "BenchPicture.h"
#include "BenchWindow.h"
#include "KivoFrameSet.h"

class CBenchLibraryComposer
{
public:
    enum EStep
    {
        STEP_ASSIGN,   // Assign of the paint device
        STEP_CREATE,   // CreatePictureBitmap
        STEP_FREE,     // the previous picture disposed of (frame set replaced)
        STEP_DRAW,     // ComposeLivePicture
        STEP_BLIT,     // UnAssign, CanBlit, BlitToCDC
        STEP_COUNT
    };
    static const char* GetStepName(int nStep);

    CBenchLibraryComposer();
    CBenchLibraryComposer(const CBenchLibraryComposer&) = delete;
    CBenchLibraryComposer& operator=(const CBenchLibraryComposer&) = delete;

    // The overlay copy, taken the library's way: drawn into the worker's overlay
    // device and copied out with CopyMaskBitmap. BENCH_OVERLAY_NONE: no copy.
    bool PrepareOverlay(CDC* pWindowDC, const CRect& rcArea, EBenchOverlay eOverlay);
    // One picture into the area of the window. pdStepMs (STEP_COUNT entries, or
    // NULL) gets the time of each step added.
    bool Compose(CDC* pWindowDC, const CBenchPicture& picture, const CRect& rcArea, double* pdStepMs);

    CKIVOClientThread& Worker() { return m_worker; }

private:
    CKIVOClientThread m_worker;
    CKIVOClientPaintDC m_paintDC;
    CKIVOFrameSet m_frames;
};
