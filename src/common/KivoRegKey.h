// KivoRegKey.h: the owner of one open registry key.
#pragma once

#include <windows.h>

class CKIVORegKey
{
public:
    CKIVORegKey() : m_hKey(NULL) {}
    ~CKIVORegKey() { Close(); }

    LSTATUS Open(HKEY hParent, LPCWSTR pszPath, REGSAM samAccess)
    {
        Close();
        return RegOpenKeyExW(hParent, pszPath, 0, samAccess, &m_hKey);
    }
    // Opens the key, made first where it does not exist.
    LSTATUS Create(HKEY hParent, LPCWSTR pszPath, REGSAM samAccess)
    {
        Close();
        return RegCreateKeyExW(hParent, pszPath, 0, NULL, REG_OPTION_NON_VOLATILE, samAccess, NULL, &m_hKey,
                               NULL);
    }
    HKEY Get() const { return m_hKey; }
    void Close()
    {
        if (m_hKey != NULL)
            RegCloseKey(m_hKey);
        m_hKey = NULL;
    }

private:
    CKIVORegKey(const CKIVORegKey&);
    CKIVORegKey& operator=(const CKIVORegKey&);

    HKEY m_hKey;
};
