// KivoCameraSim: a camera simulator serving the KIVOCamera class as a COM
// local server, so that acquisition programs can be built and tested without
// a camera. The command line chooses between registering and serving.
#include "SimMessages.h"
#include "SimRegistration.h"
#include "SimServer.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

namespace
{
const wchar_t g_szUsage[] = L"KivoCameraSim - camera simulator, COM local server of the KIVOCamera class\r\n"
                            L"\r\n"
                            L"Usage: KivoCameraSim.exe OPTION\r\n"
                            L"  /RegServer     register this program as the camera server for all users\r\n"
                            L"                 (HKLM, needs administrator rights) with its type library\r\n"
                            L"  /UnregServer   remove that registration\r\n"
                            L"  /Embedding     serve the camera (COM starts the program this way)\r\n"
                            L"  /?, --help     show this text\r\n"
                            L"Options may also begin with '-'. The exit code is 0 on success.\r\n"
                            L"\r\n"
                            L"The server ends when its last connection is released, when every client\r\n"
                            L"process that announced itself has ended, or 60 s after start when nothing\r\n"
                            L"connected. README.md beside the program describes the simulated camera.\r\n";

enum ECommand
{
    COMMAND_USAGE,
    COMMAND_REGISTER,
    COMMAND_UNREGISTER,
    COMMAND_SERVE,
    COMMAND_UNKNOWN,
};

ECommand ParseCommand(const wchar_t* pszArg)
{
    const wchar_t* psz = pszArg;
    if (*psz == L'/' || *psz == L'-')
        ++psz;
    if (*psz == L'-')
        ++psz;   // --help
    if (lstrcmpiW(psz, L"RegServer") == 0)
        return COMMAND_REGISTER;
    if (lstrcmpiW(psz, L"UnregServer") == 0)
        return COMMAND_UNREGISTER;
    if (lstrcmpiW(psz, L"Embedding") == 0 || lstrcmpiW(psz, L"Automation") == 0)
        return COMMAND_SERVE;
    if (lstrcmpiW(psz, L"?") == 0 || lstrcmpiW(psz, L"h") == 0 || lstrcmpiW(psz, L"help") == 0)
        return COMMAND_USAGE;
    return COMMAND_UNKNOWN;
}

std::wstring GetModulePath()
{
    std::wstring strPath(MAX_PATH, L'\0');
    for (;;)
    {
        const DWORD dwLength = GetModuleFileNameW(nullptr, &strPath[0], static_cast<DWORD>(strPath.size()));
        if (dwLength == 0)
            return std::wstring();
        if (dwLength < strPath.size())
        {
            strPath.resize(dwLength);
            return strPath;
        }
        strPath.resize(strPath.size() * 2);
    }
}

void ShowUsage()
{
    // Started without a console (from Explorer): a message box is the only way.
    if (!ShowSimMessage(SIMMSG_INFO, g_szUsage))
        MessageBoxW(nullptr, g_szUsage, L"KivoCameraSim", MB_OK | MB_ICONINFORMATION);
}

int RunRegistration(bool bRegister, const std::wstring& strModulePath)
{
    CSimRegistration registration(strModulePath);
    std::wstring strError;
    HRESULT hr = bRegister ? registration.Register(strError) : registration.Unregister(strError);
    if (FAILED(hr))
    {
        ShowSimMessage(SIMMSG_ERROR, strError);
        return 1;
    }
    ShowSimMessage(SIMMSG_INFO, bRegister ? L"Registered " + strModulePath : L"Unregistered " + strModulePath);
    return 0;
}

// Owns the argument vector of CommandLineToArgvW.
class CArguments
{
public:
    CArguments()
        : m_nCount(0)
        , m_ppszArgs(CommandLineToArgvW(GetCommandLineW(), &m_nCount))
    {
    }
    ~CArguments()
    {
        if (m_ppszArgs != nullptr)
            LocalFree(m_ppszArgs);
    }
    CArguments(const CArguments&) = delete;
    CArguments& operator=(const CArguments&) = delete;

    int GetCount() const { return m_ppszArgs != nullptr ? m_nCount : 0; }
    // cppcheck-suppress CastIntegerToAddressAtReturn ; an element of the argument vector, not an integer
    const wchar_t* Get(int i) const { return m_ppszArgs[i]; }

private:
    int m_nCount;
    LPWSTR* m_ppszArgs;
};
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    CArguments args;
    const ECommand eCommand = args.GetCount() >= 2 ? ParseCommand(args.Get(1)) : COMMAND_USAGE;
    if (eCommand != COMMAND_SERVE)
        ConnectSimConsole();

    if (eCommand == COMMAND_USAGE)
    {
        ShowUsage();
        return 0;
    }
    if (eCommand == COMMAND_UNKNOWN || args.GetCount() > 2)
    {
        ShowSimMessage(SIMMSG_ERROR, L"unknown command line; try KivoCameraSim.exe /?");
        return 2;
    }

    const std::wstring strModulePath = GetModulePath();
    if (strModulePath.empty())
    {
        ShowSimMessage(SIMMSG_ERROR, L"cannot determine the program's path");
        return 1;
    }
    if (eCommand == COMMAND_REGISTER || eCommand == COMMAND_UNREGISTER)
        return RunRegistration(eCommand == COMMAND_REGISTER, strModulePath);

    CSimServer server(strModulePath.c_str());
    return server.Run();
}
