#include "SimMessages.h"

#include <cwchar>
#include <vector>

namespace
{
bool IsUsable(HANDLE h)
{
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

bool WriteText(HANDLE h, const std::wstring& strText)
{
    DWORD dwMode = 0;
    if (GetConsoleMode(h, &dwMode))
    {
        DWORD dwWritten = 0;
        return WriteConsoleW(h, strText.c_str(), static_cast<DWORD>(strText.size()), &dwWritten, nullptr) != FALSE;
    }
    // Files and pipes get UTF-8.
    const int nBytes = WideCharToMultiByte(CP_UTF8, 0, strText.c_str(), static_cast<int>(strText.size()), nullptr, 0,
                                           nullptr, nullptr);
    if (nBytes <= 0)
        return false;
    std::vector<char> vecBytes(nBytes);
    WideCharToMultiByte(CP_UTF8, 0, strText.c_str(), static_cast<int>(strText.size()), vecBytes.data(), nBytes, nullptr,
                        nullptr);
    DWORD dwWritten = 0;
    return WriteFile(h, vecBytes.data(), nBytes, &dwWritten, nullptr) != FALSE;
}
}

void ConnectSimConsole()
{
    if (IsUsable(GetStdHandle(STD_OUTPUT_HANDLE)) || IsUsable(GetStdHandle(STD_ERROR_HANDLE)))
        return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    // The console stays attached for the life of the process; so do these handles.
    HANDLE hOut = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (!IsUsable(hOut))
        return;
    SetStdHandle(STD_OUTPUT_HANDLE, hOut);
    SetStdHandle(STD_ERROR_HANDLE, hOut);
}

bool ShowSimMessage(ESimMessage eKind, const std::wstring& strText)
{
    std::wstring strLine = eKind == SIMMSG_ERROR ? L"KivoCameraSim: " + strText : strText;
    if (strLine.empty() || strLine.back() != L'\n')
        strLine += L"\r\n";
    HANDLE h = GetStdHandle(eKind == SIMMSG_ERROR ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if (IsUsable(h) && WriteText(h, strLine))
        return true;
    OutputDebugStringW(strLine.c_str());
    return false;
}

std::wstring FormatSimResult(HRESULT hr)
{
    wchar_t szCode[16];
    swprintf(szCode, 16, L"0x%08lX", static_cast<unsigned long>(hr));
    std::wstring strText = szCode;
    wchar_t* pszMessage = nullptr;
    const DWORD dwLength =
        FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<LPWSTR>(&pszMessage), 0, nullptr);
    if (dwLength != 0 && pszMessage != nullptr)
    {
        std::wstring strMessage(pszMessage, dwLength);
        while (!strMessage.empty()
               && (strMessage.back() == L'\n' || strMessage.back() == L'\r' || strMessage.back() == L' '))
            strMessage.pop_back();
        strText += L" " + strMessage;
    }
    if (pszMessage != nullptr)
        LocalFree(pszMessage);
    return strText;
}
