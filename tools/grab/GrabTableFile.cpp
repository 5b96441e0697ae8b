// GrabTableFile.cpp: measure and search tables as text files.
#include "GrabTableFile.h"
#include "GrabCommandLine.h"
#include "GrabFailure.h"
#include "GrabOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <string>

namespace
{
CGrabFailure MakeFileFailure(const CString& strFile, LPCWSTR pszWhat, int nErrno)
{
    wchar_t szError[256] = L"";
    _wcserror_s(szError, _countof(szError), nErrno);
    CString strMessage;
    strMessage.Format(L"%ls: %ls: %ls", strFile.GetString(), pszWhat, szError);
    return CGrabFailure(GRAB_EXIT_FILE, strMessage);
}

// Closes the file on every way out; Close reports what fclose found.
class CGrabFile
{
public:
    explicit CGrabFile(FILE* pFile)
        : m_pFile(pFile)
    {
    }
    ~CGrabFile() { Close(); }
    CGrabFile(const CGrabFile&) = delete;
    CGrabFile& operator=(const CGrabFile&) = delete;
    FILE* Get() const { return m_pFile; }
    int Close()
    {
        int nResult = m_pFile != nullptr ? fclose(m_pFile) : 0;
        m_pFile = nullptr;
        return nResult;
    }

private:
    FILE* m_pFile;
};

std::string ReadAll(FILE* pFile, const CString& strFile)
{
    std::string strBytes;
    char achBuffer[4096];
    size_t nRead;
    while ((nRead = fread(achBuffer, 1, sizeof(achBuffer), pFile)) > 0)
        strBytes.append(achBuffer, nRead);
    if (ferror(pFile))
        throw MakeFileFailure(strFile, L"cannot read", errno);
    return strBytes;
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

std::vector<int> ParseTable(const std::string& strBytes, const CString& strFile)
{
    std::vector<int> vecValues;
    size_t nStart = 0;
    // A UTF-8 byte order mark, as some editors write it, is not part of the first line.
    if (strBytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        nStart = 3;
    for (int nLine = 1; nStart < strBytes.size(); ++nLine)
    {
        size_t nEnd = strBytes.find('\n', nStart);
        if (nEnd == std::string::npos)
            nEnd = strBytes.size();
        size_t nFirst = nStart, nLast = nEnd;
        while (nFirst < nLast && IsBlank(strBytes[nFirst]))
            ++nFirst;
        while (nLast > nFirst && IsBlank(strBytes[nLast - 1]))
            --nLast;
        nStart = nEnd + 1;
        if (nFirst == nLast)
            continue;

        CString strText(strBytes.substr(nFirst, nLast - nFirst).c_str());
        int nValue = 0;
        if (!CGrabCommandLine::ParseInt32(strText, nValue))
        {
            CString strMessage;
            strMessage.Format(L"%ls:%d: '%ls' is not a decimal 32-bit number", strFile.GetString(), nLine,
                              strText.GetString());
            throw CGrabFailure(GRAB_EXIT_FILE, strMessage);
        }
        vecValues.push_back(nValue);
    }
    return vecValues;
}
}

std::vector<int> ReadGrabTableFile(const CString& strFile)
{
    if (strFile == L"-")
    {
        _setmode(_fileno(stdin), _O_BINARY);
        return ParseTable(ReadAll(stdin, L"standard input"), L"standard input");
    }
    CGrabFile file(_wfsopen(strFile, L"rb", _SH_DENYNO));
    if (file.Get() == nullptr)
        throw MakeFileFailure(strFile, L"cannot open", errno);
    return ParseTable(ReadAll(file.Get(), strFile), strFile);
}

void WriteGrabTableFile(const CString& strFile, const std::vector<int>& vecValues)
{
    std::string strText;
    for (int nValue : vecValues)
        strText += std::to_string(nValue) + "\r\n";

    if (strFile == L"-")
    {
        WriteGrabOutput(CString(strText.c_str()));
        return;
    }
    CGrabFile file(_wfsopen(strFile, L"wb", _SH_DENYNO));
    if (file.Get() == nullptr)
        throw MakeFileFailure(strFile, L"cannot create", errno);
    // A full disk shows only in the write or in the close.
    if (fwrite(strText.data(), 1, strText.size(), file.Get()) != strText.size())
        throw MakeFileFailure(strFile, L"cannot write", errno);
    if (file.Close() != 0)
        throw MakeFileFailure(strFile, L"cannot write", errno);
}
