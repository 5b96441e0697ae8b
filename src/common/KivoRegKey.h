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

using CKIVORegKey = CKIVOUniqueResource<CKIVORegKeyTraits>;

namespace Kivo
{
// Opens a key into the owner, which gives back what it held first.
inline LSTATUS OpenRegKey(CKIVORegKey& key, HKEY hParent, LPCWSTR pszPath, REGSAM samAccess)
{
    return RegOpenKeyExW(hParent, pszPath, 0, samAccess, key.Receive());
}

// Opens the key, made first where it does not exist.
inline LSTATUS CreateRegKey(CKIVORegKey& key, HKEY hParent, LPCWSTR pszPath, REGSAM samAccess)
{
    return RegCreateKeyExW(hParent, pszPath, 0, nullptr, REG_OPTION_NON_VOLATILE, samAccess, nullptr, key.Receive(),
                           nullptr);
}
}
