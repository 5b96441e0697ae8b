// GrabCommandLine.cpp: the command line of kivo-grab and its usage text.
#include "GrabCommandLine.h"

#include <KivoClient.h>

namespace
{
bool IsOption(const CString& str)
{
    return str.GetLength() > 2 && str.Left(2) == L"--";
}

// Which of two words strWord is: eResult set and TRUE for either, FALSE for any other.
template <typename T>
bool PickWord(const CString& strWord, LPCWSTR pszFirst, T eFirst, LPCWSTR pszSecond, T eSecond, T& eResult)
{
    if (strWord != pszFirst && strWord != pszSecond)
        return false;
    eResult = strWord == pszFirst ? eFirst : eSecond;
    return true;
}

// Whether strArg is the option pszName given as "--name VALUE" (the value
// taken from the next argument) or "--name=VALUE".
enum EOptionMatch
{
    OPTION_OTHER,     // another argument
    OPTION_VALUE,     // the option, its value in strValue
    OPTION_NO_VALUE   // the option as the last argument, without a value
};

EOptionMatch MatchValueOption(const CString& strArg, LPCWSTR pszName, int& i, int nArgs, const wchar_t* const* ppszArgs,
                              CString& strValue)
{
    const CString strName(pszName);
    if (strArg == strName)
    {
        if (i + 1 >= nArgs)
            return OPTION_NO_VALUE;
        strValue = ppszArgs[++i];
        return OPTION_VALUE;
    }
    if (strArg.Left(strName.GetLength() + 1) != strName + L"=")
        return OPTION_OTHER;
    strValue = strArg.Mid(strName.GetLength() + 1);
    return OPTION_VALUE;
}

// Seconds above 0 and at most nMaxMs / 1000, with at most three decimals, as
// milliseconds.
bool ParseSeconds(const CString& str, DWORD nMaxMs, DWORD& dwMs)
{
    unsigned long long nMs = 0;
    int nDigits = 0, nDecimals = -1;
    for (int i = 0; i < str.GetLength(); ++i)
    {
        const wchar_t ch = str[i];
        if (ch == L'.' && nDecimals < 0 && nDigits > 0)
            nDecimals = 0;
        else if (ch >= L'0' && ch <= L'9' && nDecimals < 3 && nMs <= nMaxMs)
        {
            nMs = nMs * 10 + (ch - L'0');
            ++nDigits;
            if (nDecimals >= 0)
                ++nDecimals;
        }
        else
            return false;
    }
    if (nDigits == 0 || nDecimals == 0)
        return false;
    for (int i = nDecimals < 0 ? 0 : nDecimals; i < 3; ++i)
        nMs *= 10;
    if (nMs == 0 || nMs > nMaxMs)
        return false;
    dwMs = static_cast<DWORD>(nMs);
    return true;
}

// --help anywhere; the short forms only in front, where no value can stand.
bool IsHelp(const CString& str, int iArg)
{
    return str == L"--help" || (iArg == 0 && (str == L"-h" || str == L"/?" || str == L"-?"));
}
}

CGrabCommandLine::CGrabCommandLine()
    : m_eCommand(GRAB_COMMAND_HELP)
    , m_nPicture(0)
    , m_bColour(FALSE)
    , m_dwTimeoutMs(DEFAULT_TIMEOUT_MS)
    , m_nRecordCount(0)
    , m_dwSecondsMs(0)
    , m_bText(FALSE)
    , m_eTable(GRAB_TABLE_MEASURE)
{
}

CString CGrabCommandLine::GetUsage()
{
    return L"Usage: kivo-grab COMMAND [ARGUMENTS] [OPTIONS]\r\n"
           L"\r\n"
           L"Connects to the camera server, opens and orders the camera, runs one\r\n"
           L"command, then closes the camera, releases it and disconnects (also after\r\n"
           L"a failure).\r\n"
           L"\r\n"
           L"Commands:\r\n"
           L"  picture N FILE           allocates picture N and saves it as a PNG\r\n"
           L"                           (8-bit grey, PICTUREWIDTH x PICTUREHEIGHT)\r\n"
           L"  rgb FILE                 saves the colour picture as a 24-bit PNG\r\n"
           L"  live FILE [--colour] [--timeout-ms T]\r\n"
           L"                           starts acquisition and saves one live picture as\r\n"
           L"                           a PNG, grey or with --colour in colour; waits at\r\n"
           L"                           most T milliseconds for it (default 10000).\r\n"
           L"                           LIVEFORMAT and CONTROLFLAGS are restored after.\r\n"
           L"  record FOLDER (--count N | --seconds S) [--colour] [--timeout-ms T]\r\n"
           L"                           starts acquisition as live does and saves N live\r\n"
           L"                           pictures (1 to 100000), or every one that arrives\r\n"
           L"                           within S seconds (above 0, at most 3600, at most\r\n"
           L"                           three decimals), in FOLDER, which must exist, as\r\n"
           L"                           live-000001.png, live-000002.png, ... Waits at\r\n"
           L"                           most T ms for each picture (default 10000).\r\n"
           L"                           FOLDER\\record.csv lists them, one line each after\r\n"
           L"                           the header index,time_ms,width,height,format,file:\r\n"
           L"                           the picture's number, the milliseconds from the\r\n"
           L"                           start of acquisition to its arrival, its size in\r\n"
           L"                           pixels, grey or colour, and its file name. After a\r\n"
           L"                           failure the files saved so far stay, listed. At\r\n"
           L"                           the end one line goes to standard output:\r\n"
           L"                             pictures N, elapsed E s, rate R per s,\r\n"
           L"                             interval min A ms, max B ms\r\n"
           L"                           E: seconds from the start of acquisition to the\r\n"
           L"                           last picture; R: (N - 1) divided by the seconds\r\n"
           L"                           from the first picture to the last; A, B: the\r\n"
           L"                           shortest and the longest time between two\r\n"
           L"                           pictures in a row. With fewer than two pictures\r\n"
           L"                           the line ends after E. R is the rate at which\r\n"
           L"                           pictures reached this tool: it asks every 10 ms\r\n"
           L"                           and each picture travels from the camera server,\r\n"
           L"                           so R can stay below LIVEFRAMERATE. The PNGs are\r\n"
           L"                           written by a second thread while the next\r\n"
           L"                           pictures arrive; only when 8 wait to be written\r\n"
           L"                           does fetching wait, which lengthens an interval.\r\n"
           L"  get PROP [PROP...]       prints one line per property: number, name and\r\n"
           L"                           value, separated by tabs\r\n"
           L"  set PROP VALUE [--text]  writes VALUE as an integer when it is a decimal\r\n"
           L"                           32-bit number, else as text; --text always\r\n"
           L"                           writes text\r\n"
           L"  table measure|search get FILE\r\n"
           L"                           writes the table to FILE, one integer per line\r\n"
           L"  table measure|search set FILE\r\n"
           L"                           writes FILE to the table: one integer per line,\r\n"
           L"                           blank lines are skipped\r\n"
           L"  diag [--seconds S]       measures what decides a program's speed with\r\n"
           L"                           this camera server on this machine and prints\r\n"
           L"                           one line per figure:\r\n"
           L"                           Activation time: T ms (whether the camera\r\n"
           L"                             server was already running): the first Connect\r\n"
           L"                           Round trip (GetServerState): median T ms, 95th\r\n"
           L"                             percentile T ms (N calls)\r\n"
           L"                           Picture transfer (GetRGBPicture): B bytes,\r\n"
           L"                             median T ms, R MB/s (N calls)\r\n"
           L"                           Live area: W x H pixels, camera picture W x H\r\n"
           L"                           Live frame rate without overlay: R fps\r\n"
           L"                             (N pictures in T s)\r\n"
           L"                           Client CPU per picture without overlay: T ms\r\n"
           L"                           Server CPU per picture without overlay: T ms,\r\n"
           L"                             or: cannot be read (the reason)\r\n"
           L"                           then the last three again \"with overlay\".\r\n"
           L"                           The library shows the live picture in a window\r\n"
           L"                           of the tool for S seconds per run (default 3;\r\n"
           L"                           S as for record), under an overlay of the key\r\n"
           L"                           colour alone, then under a grid and a caption;\r\n"
           L"                           each run waits at most 30 s for its first\r\n"
           L"                           picture. The live settings are restored after.\r\n"
           L"                           MB is 1000000 bytes. Without a display for the\r\n"
           L"                           window diag ends with exit code 1.\r\n"
           L"  --help                   shows this text\r\n"
           L"\r\n"
           L"PROP is a property number (0 to 2147483647) or one of the names OWNER,\r\n"
           L"CONTROLFLAGS, PICTUREWIDTH, PICTUREHEIGHT, LIVEWIDTH, LIVEHEIGHT, LIVELEFT,\r\n"
           L"LIVETOP, LIMITEDSIZE, LIVEWINDOW, LIVECOLOR, LIVEDISPLAY, LIVEFORMAT,\r\n"
           L"LIVEFRAMERATE, LIVEFRAMECOUNT (in any case). A table FILE of - is standard\r\n"
           L"output (get) or standard input (set). -- ends the options, for a VALUE that\r\n"
           L"begins with --.\r\n"
           L"\r\n"
           L"Exit codes:\r\n"
           L"  0  success\r\n"
           L"  1  camera error: the camera server or the client library failed\r\n"
           L"  2  usage error: bad or missing arguments\r\n"
           L"  3  file error: a table file could not be read or written, a PNG or\r\n"
           L"     record.csv could not be saved, or the FOLDER of record is missing\r\n"
           L"  4  no live picture came within the time-out\r\n"
           L"The reason of a failure goes to standard error.\r\n";
}

BOOL CGrabCommandLine::ParseInt32(LPCWSTR psz, int& nValue)
{
    if (psz == nullptr)
        return FALSE;
    bool bNegative = false;
    if (*psz == L'-' || *psz == L'+')
        bNegative = *psz++ == L'-';
    if (*psz == L'\0')
        return FALSE;
    // Accumulate the magnitude in 64 bits and check the range once at the end.
    long long nMagnitude = 0;
    for (; *psz != L'\0'; ++psz)
    {
        if (*psz < L'0' || *psz > L'9')
            return FALSE;
        nMagnitude = nMagnitude * 10 + (*psz - L'0');
        if (nMagnitude > 2147483648LL)
            return FALSE;
    }
    if (nMagnitude > (bNegative ? 2147483648LL : 2147483647LL))
        return FALSE;
    nValue = static_cast<int>(bNegative ? -nMagnitude : nMagnitude);
    return TRUE;
}

BOOL CGrabCommandLine::ParseProperty(LPCWSTR psz, tagEMVP& eProp)
{
    int nNumber = 0;
    if (psz != nullptr && *psz >= L'0' && *psz <= L'9' && ParseInt32(psz, nNumber))
    {
        eProp = static_cast<tagEMVP>(nNumber);
        return TRUE;
    }
    return CKIVOClient::FindProperty(psz, &eProp);
}

BOOL CGrabCommandLine::Fail(LPCWSTR pszFormat, LPCWSTR pszArg)
{
    m_strError.Format(pszFormat, pszArg);
    return FALSE;
}

BOOL CGrabCommandLine::Parse(int nArgs, const wchar_t* const* ppszArgs)
{
    if (nArgs <= 0)
        return Fail(L"no command given");

    // Options may stand anywhere; "--" makes everything after it a word.
    std::vector<CString> vecWords;
    BOOL bColourOption = FALSE, bTimeoutOption = FALSE, bTextOption = FALSE;
    BOOL bCountOption = FALSE, bSecondsOption = FALSE;
    bool bOptionsEnded = false;
    for (int i = 0; i < nArgs; ++i)
    {
        CString strArg = ppszArgs[i];
        CString strValue;
        EOptionMatch eMatch = OPTION_OTHER;
        if (bOptionsEnded)
        {
            vecWords.push_back(strArg);
        }
        else if (strArg == L"--")
        {
            bOptionsEnded = true;
        }
        else if (IsHelp(strArg, i))
        {
            m_eCommand = GRAB_COMMAND_HELP;
            return TRUE;
        }
        else if (strArg == L"--colour" || strArg == L"--color")
        {
            bColourOption = TRUE;
        }
        else if (strArg == L"--text")
        {
            bTextOption = TRUE;
        }
        else if ((eMatch = MatchValueOption(strArg, L"--timeout-ms", i, nArgs, ppszArgs, strValue)) != OPTION_OTHER)
        {
            if (eMatch == OPTION_NO_VALUE)
                return Fail(L"--timeout-ms needs a number of milliseconds");
            int nTimeout = 0;
            if (!ParseInt32(strValue, nTimeout) || nTimeout < 0 || nTimeout > MAX_TIMEOUT_MS)
                return Fail(L"--timeout-ms: '%ls' is not a number of milliseconds from 0 to 3600000", strValue);
            m_dwTimeoutMs = static_cast<DWORD>(nTimeout);
            bTimeoutOption = TRUE;
        }
        else if ((eMatch = MatchValueOption(strArg, L"--count", i, nArgs, ppszArgs, strValue)) != OPTION_OTHER)
        {
            if (eMatch == OPTION_NO_VALUE)
                return Fail(L"--count needs a number of pictures");
            if (!ParseInt32(strValue, m_nRecordCount) || m_nRecordCount < 1 || m_nRecordCount > MAX_RECORD_COUNT)
                return Fail(L"--count: '%ls' is not a number of pictures from 1 to 100000", strValue);
            bCountOption = TRUE;
        }
        else if ((eMatch = MatchValueOption(strArg, L"--seconds", i, nArgs, ppszArgs, strValue)) != OPTION_OTHER)
        {
            if (eMatch == OPTION_NO_VALUE)
                return Fail(L"--seconds needs a number of seconds");
            if (!ParseSeconds(strValue, MAX_SECONDS_MS, m_dwSecondsMs))
                return Fail(L"--seconds: '%ls' is not a number of seconds above 0 and at most 3600, "
                            L"with at most three decimals",
                            strValue);
            bSecondsOption = TRUE;
        }
        else if (IsOption(strArg))
        {
            return Fail(L"unknown option '%ls'", strArg);
        }
        else
        {
            vecWords.push_back(strArg);
        }
    }
    if (vecWords.empty())
        return Fail(L"no command given");
    if (!ParseCommand(vecWords))
        return FALSE;

    if ((bColourOption || bTimeoutOption) && m_eCommand != GRAB_COMMAND_LIVE && m_eCommand != GRAB_COMMAND_RECORD)
        return Fail(L"--colour and --timeout-ms belong to the commands live and record");
    if (bCountOption && m_eCommand != GRAB_COMMAND_RECORD)
        return Fail(L"--count belongs to the command record");
    if (bSecondsOption && m_eCommand != GRAB_COMMAND_RECORD && m_eCommand != GRAB_COMMAND_DIAG)
        return Fail(L"--seconds belongs to the commands record and diag");
    if (m_eCommand == GRAB_COMMAND_RECORD && bCountOption == bSecondsOption)
        return Fail(bCountOption ? L"record takes --count or --seconds, not both"
                                 : L"record needs --count N or --seconds S");
    if (bTextOption && m_eCommand != GRAB_COMMAND_SET)
        return Fail(L"--text belongs to the command set");
    if (m_eCommand == GRAB_COMMAND_DIAG && !bSecondsOption)
        m_dwSecondsMs = DEFAULT_DIAG_MS;
    m_bColour = bColourOption;
    m_bText = bTextOption;
    return TRUE;
}

BOOL CGrabCommandLine::ParseCommand(const std::vector<CString>& vecWords)
{
    const CString& strCommand = vecWords[0];
    const size_t nWords = vecWords.size();
    if (strCommand == L"picture")
    {
        if (nWords != 3)
            return Fail(L"picture needs a picture number and a file: picture N FILE");
        int nPicture = 0;
        if (!ParseInt32(vecWords[1], nPicture))
            return Fail(L"picture: '%ls' is not a picture number", vecWords[1]);
        m_eCommand = GRAB_COMMAND_PICTURE;
        m_nPicture = nPicture;
        m_strFile = vecWords[2];
    }
    else if (strCommand == L"rgb" || strCommand == L"live")
    {
        if (nWords != 2)
            return Fail(L"%ls needs exactly one file", strCommand);
        m_eCommand = strCommand == L"rgb" ? GRAB_COMMAND_RGB : GRAB_COMMAND_LIVE;
        m_strFile = vecWords[1];
    }
    else if (strCommand == L"record")
    {
        if (nWords != 2)
            return Fail(L"record needs exactly one folder");
        m_eCommand = GRAB_COMMAND_RECORD;
        m_strFile = vecWords[1];
    }
    else if (strCommand == L"get")
    {
        if (nWords < 2)
            return Fail(L"get needs at least one property");
        for (size_t i = 1; i < nWords; ++i)
        {
            tagEMVP eProp = OWNER;
            if (!ParseProperty(vecWords[i], eProp))
                return Fail(L"'%ls' is neither a property number nor a property name", vecWords[i]);
            m_vecProps.push_back(eProp);
        }
        m_eCommand = GRAB_COMMAND_GET;
    }
    else if (strCommand == L"set")
    {
        if (nWords != 3)
            return Fail(L"set needs a property and a value: set PROP VALUE");
        tagEMVP eProp = OWNER;
        if (!ParseProperty(vecWords[1], eProp))
            return Fail(L"'%ls' is neither a property number nor a property name", vecWords[1]);
        m_eCommand = GRAB_COMMAND_SET;
        m_vecProps.push_back(eProp);
        m_strValue = vecWords[2];
    }
    else if (strCommand == L"table")
    {
        if (nWords != 4)
            return Fail(L"table needs a table, a direction and a file: table measure|search get|set FILE");
        if (!PickWord(vecWords[1], L"measure", GRAB_TABLE_MEASURE, L"search", GRAB_TABLE_SEARCH, m_eTable))
            return Fail(L"table: '%ls' is neither measure nor search", vecWords[1]);
        if (!PickWord(vecWords[2], L"get", GRAB_COMMAND_TABLE_GET, L"set", GRAB_COMMAND_TABLE_SET, m_eCommand))
            return Fail(L"table: '%ls' is neither get nor set", vecWords[2]);
        m_strFile = vecWords[3];
    }
    else if (strCommand == L"diag")
    {
        if (nWords != 1)
            return Fail(L"diag takes no file or other argument: diag [--seconds S]");
        m_eCommand = GRAB_COMMAND_DIAG;
    }
    else
    {
        return Fail(L"unknown command '%ls'", strCommand);
    }
    return TRUE;
}
