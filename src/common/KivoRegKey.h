// KivoRegKey.h: the owner of one open registry key.
#pragma once

#include <windows.h>

#include "KivoUniqueResource.h"

struct CKIVORegKeyTraits
{
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Free(Type hKey) { RegCloseKey(hKey); }
};

class CKIVORegKey : public CKIVOUniqueResource<CKIVORegKeyTraits>
{
public:
    LSTATUS Open(HKEY hParent, LPCWSTR pszPath, REGSAM samAccess)
    {
        return RegOpenKeyExW(hParent, pszPath, 0, samAccess, Receive());
    }
    // Opens the key, made first where it does not exist.
    LSTATUS Create(HKEY hParent, LPCWSTR pszPath, REGSAM samAccess)
    {
        return RegCreateKeyExW(hParent, pszPath, 0, nullptr, REG_OPTION_NON_VOLATILE, samAccess, nullptr, Receive(),
                               nullptr);
    }
};
