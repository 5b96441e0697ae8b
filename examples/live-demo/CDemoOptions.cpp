// CDemoOptions.cpp: the command line of the live demo.
#include "CDemoOptions.h"

#include <cwchar>

CDemoOptions::CDemoOptions()
    : m_nSeconds(m_nDefaultSeconds)
    , m_bShowFrameRate(FALSE)
    , m_bColour(FALSE)
    , m_bHelp(FALSE)
{
}

BOOL CDemoOptions::Parse(int nArgs, const LPCWSTR* ppszArgs, CString& strError)
{
    for (int i = 0; i < nArgs; ++i)
    {
        const CString strArg(ppszArgs[i]);
        const BOOL bHasValue = i + 1 < nArgs;
        if (strArg == L"--seconds")
        {
            // Whole seconds only: a script's run must be exact to read.
            wchar_t* pszEnd = nullptr;
            const long nSeconds = bHasValue ? wcstol(ppszArgs[i + 1], &pszEnd, 10) : 0;
            if (!bHasValue || pszEnd == ppszArgs[i + 1] || *pszEnd != L'\0' || nSeconds < 0 || nSeconds > m_nMaxSeconds)
            {
                strError.Format(L"--seconds needs a whole number from 0 to %d", m_nMaxSeconds);
                return FALSE;
            }
            m_nSeconds = static_cast<int>(nSeconds);
            ++i;
        }
        else if (strArg == L"--screenshot")
        {
            if (!bHasValue || ppszArgs[i + 1][0] == L'\0')
            {
                strError = L"--screenshot needs a file name";
                return FALSE;
            }
            m_strScreenshot = ppszArgs[++i];
        }
        else if (strArg == L"--fps")
        {
            m_bShowFrameRate = TRUE;
        }
        else if (strArg == L"--colour")
        {
            m_bColour = TRUE;
        }
        else if (strArg == L"--help" || strArg == L"-h" || strArg == L"/?")
        {
            m_bHelp = TRUE;
        }
        else
        {
            strError = L"unknown option " + strArg;
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CDemoOptions::IsHeadless() const
{
    return m_nSeconds > 0;
}

LPCWSTR CDemoOptions::GetUsage()
{
    return L"usage: KivoLiveDemo.exe [--seconds N] [--screenshot FILE.png] [--fps] [--colour] [--help]\n"
           L"  --seconds N        show the live picture for N seconds (30 without the option), then\n"
           L"                     exit, errors going to stderr; 0: until the window is closed, errors\n"
           L"                     in message boxes\n"
           L"  --screenshot FILE  save the live window as PNG just before the exit\n"
           L"  --fps              switch the frame-rate read-out on (machine-wide registry switch)\n"
           L"  --colour           start with the colour pattern instead of grey\n"
           L"  --help             show this text\n";
}
