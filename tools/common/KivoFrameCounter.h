// KivoFrameCounter.h: counts the pictures that reach a live window, without
// touching the library. Every composed picture ends in exactly one BitBlt into
// the window from the thread that composed it; the import of BitBlt of the
// module that composes (KivoClient.dll, or a program that links the library's
// layers itself) is routed through a counter that counts those blits (from
// any thread but the one that installed the counter) and stamps the time of
// the last.
#pragma once

#include <afxwin.h>   // MFC before any Windows header

struct CKIVOFrameMark
{
    LONG nFrames = 0;
    double dLastMs = 0.0;   // KivoFrameClockMs() of the last counted blit
};

// Milliseconds of the performance counter, the clock of the marks.
double KivoFrameClockMs();

class CKIVOFrameCounter
{
public:
    // Routes hModule's BitBlt import (from gdi32.dll) through the counter;
    // blits into hWnd from threads other than the calling one count. Once per
    // process, for a module that stays loaded until the process ends. FALSE
    // when the import could not be found or not be rewritten.
    static bool Install(HMODULE hModule, HWND hWnd);
    static CKIVOFrameMark GetMark();
};
