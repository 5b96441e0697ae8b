// GrabOutput.cpp: text to standard output and standard error.
#include "GrabOutput.h"

#include <vector>

namespace
{
void WriteToHandle(DWORD dwStdHandle, const CString& strText)
{
    HANDLE hOutput = GetStdHandle(dwStdHandle);
    if (hOutput == nullptr || hOutput == INVALID_HANDLE_VALUE || strText.IsEmpty())
        return;

    DWORD dwMode = 0, dwWritten = 0;
    if (GetConsoleMode(hOutput, &dwMode))
    {
        WriteConsoleW(hOutput, strText.GetString(), static_cast<DWORD>(strText.GetLength()), &dwWritten, nullptr);
        return;
    }
    int nBytes =
        WideCharToMultiByte(CP_UTF8, 0, strText.GetString(), strText.GetLength(), nullptr, 0, nullptr, nullptr);
    if (nBytes <= 0)
        return;
    std::vector<char> vecBytes(nBytes);
    WideCharToMultiByte(CP_UTF8, 0, strText.GetString(), strText.GetLength(), vecBytes.data(), nBytes, nullptr,
                        nullptr);
    WriteFile(hOutput, vecBytes.data(), static_cast<DWORD>(nBytes), &dwWritten, nullptr);
}
}

void WriteGrabOutput(const CString& strText)
{
    WriteToHandle(STD_OUTPUT_HANDLE, strText);
}

void WriteGrabError(const CString& strText)
{
    WriteToHandle(STD_ERROR_HANDLE, strText);
}

void ReportGrabError(const CString& strMessage)
{
    WriteGrabError(_T("kivo-grab: ") + strMessage + _T("\r\n"));
}

CString TakeExceptionMessage(CException* pException)
{
    wchar_t szMessage[1024] = L"";
    if (!pException->GetErrorMessage(szMessage, 1024))
        wcscpy_s(szMessage, L"unknown error");
    pException->Delete();
    return szMessage;
}
