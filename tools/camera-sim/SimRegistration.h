// Registration of the simulator as the local server of the camera class,
// machine-wide (HKLM\Software\Classes), together with its embedded type
// library, which the standard marshaller needs for the dual interfaces.
#pragma once

#include <windows.h>
#include <string>

class CSimRegistration
{
public:
    explicit CSimRegistration(const std::wstring& strModulePath);

    // On failure strError says what went wrong.
    HRESULT Register(std::wstring& strError);
    // Removing what is not there succeeds.
    HRESULT Unregister(std::wstring& strError);

    static const wchar_t* const m_pszProgId;
    static const wchar_t* const m_pszVersionIndependentProgId;

private:
    std::wstring m_strModulePath;
};
