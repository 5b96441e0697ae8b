// KivoConfiguration.cpp: the platform check and the registry switches.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoConfiguration.h"
#include "KivoRegKey.h"

namespace
{
// Any value whose data fits in 4 bytes counts, whatever its registry type; it is
// read as a little-endian number (shorter data leaves the upper bytes 0).
BOOL QuerySwitch(LPCWSTR pszValueName)
{
    CKIVORegKey key;
    if (Kivo::OpenRegKey(key, HKEY_LOCAL_MACHINE, KIVO_CONFIGURATION_KEY, KEY_READ) != ERROR_SUCCESS)
        return FALSE;
    DWORD dwValue = 0;
    DWORD dwSize = sizeof(dwValue);
    DWORD dwType = 0;
    LONG nResult =
        RegQueryValueExW(key.Get(), pszValueName, nullptr, &dwType, reinterpret_cast<LPBYTE>(&dwValue), &dwSize);
    return nResult == ERROR_SUCCESS && dwValue != 0;
}
}

namespace Kivo
{
// VerifyVersionInfo rather than GetVersionEx, which Microsoft's compiler
// refuses under /sdl; both report the version the system presents to this
// program (under Wine the one configured for it).
BOOL IsWindowsVistaOrLater()
{
    OSVERSIONINFOEXW info;
    memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwMajorVersion = 6;
    const DWORDLONG dwlCondition = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&info, VER_MAJORVERSION, dwlCondition) ? TRUE : FALSE;
}

BOOL QueryShowFPS()
{
    return QuerySwitch(L"KivoClientShowFPS");
}

BOOL QueryWaitForImageXP()
{
    return QuerySwitch(L"KivoClientWaitForImageXP");
}
}

BOOL CKIVOClientThread::IsClientDrawingAllowed()
{
    return Kivo::IsWindowsVistaOrLater() || Kivo::QueryWaitForImageXP();
}
