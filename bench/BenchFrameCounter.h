// BenchFrameCounter.h: counts the frames that reach the live window, without
// touching the library. Every composed frame ends in exactly one BitBlt into
// the window from the thread that composed it; this program's import of BitBlt
// is routed through a counter that counts those blits (from any thread but the
// main one) and stamps the time of the last.
#pragma once

#include <windows.h>

struct CBenchFrameMark
{
    LONG nFrames = 0;
    double dLastMs = 0.0;   // BenchNowMs() of the last counted blit
};

class CBenchFrameCounter
{
public:
    // Routes this program's BitBlt import through the counter; blits into
    // hWnd from threads other than the calling one count. FALSE when the
    // import could not be found.
    static bool Install(HWND hWnd);
    static CBenchFrameMark GetMark();
};
