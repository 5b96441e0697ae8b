// GrabCommandLine.h: the command line of kivo-grab and its usage text.
#pragma once

#include <afx.h>
#include <KivoCamera.h>

#include <vector>

enum EGrabCommand
{
    GRAB_COMMAND_HELP,
    GRAB_COMMAND_PICTURE,     // picture N FILE
    GRAB_COMMAND_RGB,         // rgb FILE
    GRAB_COMMAND_LIVE,        // live FILE [--colour] [--timeout-ms T]
    GRAB_COMMAND_RECORD,      // record FOLDER (--count N | --seconds S) [--colour] [--timeout-ms T]
    GRAB_COMMAND_GET,         // get PROP...
    GRAB_COMMAND_SET,         // set PROP VALUE [--text]
    GRAB_COMMAND_TABLE_GET,   // table measure|search get FILE
    GRAB_COMMAND_TABLE_SET,   // table measure|search set FILE
    GRAB_COMMAND_DIAG         // diag [--seconds S]
};

enum EGrabTable
{
    GRAB_TABLE_MEASURE,
    GRAB_TABLE_SEARCH
};

class CGrabCommandLine
{
public:
    enum
    {
        DEFAULT_TIMEOUT_MS = 10000,
        MAX_TIMEOUT_MS = 3600000
    };
    enum
    {
        MAX_RECORD_COUNT = 100000,
        MAX_SECONDS_MS = 3600000,
        DEFAULT_DIAG_MS = 3000
    };

    CGrabCommandLine();

    // Parses the arguments after the program name. FALSE: a usage error,
    // explained in m_strError.
    BOOL Parse(int nArgs, const wchar_t* const* ppszArgs);

    static CString GetUsage();

    // A whole decimal 32-bit number, with an optional sign, nothing around it.
    static BOOL ParseInt32(LPCWSTR psz, int& nValue);
    // A property number (0 to 2147483647) or a property name, in any case.
    static BOOL ParseProperty(LPCWSTR psz, tagEMVP& eProp);

public:
    EGrabCommand m_eCommand;
    long m_nPicture;
    CString m_strFile;   // the file; the folder of record
    BOOL m_bColour;
    DWORD m_dwTimeoutMs;
    int m_nRecordCount;    // record --count N, else 0
    DWORD m_dwSecondsMs;   // --seconds S in milliseconds: record's span, diag's live runs
    std::vector<tagEMVP> m_vecProps;
    CString m_strValue;
    BOOL m_bText;
    EGrabTable m_eTable;
    CString m_strError;

private:
    BOOL ParseCommand(const std::vector<CString>& vecWords);
    BOOL Fail(LPCWSTR pszFormat, LPCWSTR pszArg = L"");
};
