// CDemoOptions.h: the command line of the live demo.
#pragma once

#include <afx.h>

// What the command line asked for. Like MFC's CCommandLineInfo it is a plain
// record: parsed once at start, read everywhere.
class CDemoOptions
{
public:
    CDemoOptions();

    // Reads the arguments after the program name; FALSE with the reason in
    // strError for anything unknown or malformed.
    BOOL Parse(int nArgs, const LPCWSTR* ppszArgs, CString& strError);

    // A timed run for scripts: failures go to standard error, not to message boxes.
    BOOL IsHeadless() const;

    static LPCWSTR GetUsage();

    int m_nSeconds;            // 0: run until the user quits
    CString m_strScreenshot;   // PNG written just before the exit; empty: none
    BOOL m_bShowFrameRate;     // switch the library's frame-rate read-out on
    BOOL m_bColour;            // start with the colour pattern instead of grey
    BOOL m_bHelp;              // print the usage and exit

    // A run without --seconds ends by itself: under a script or a runner no
    // one is there to close the window.
    static const int m_nDefaultSeconds = 30;
    static const int m_nMaxSeconds = 24 * 60 * 60;
};
