#include "SimRegistration.h"

#include "SimMessages.h"

#include "KivoCamera.h"
#include <KivoBstrTraits.h>
#include <KivoComPtr.h>
#include <KivoRegKey.h>

#include <oleauto.h>

const wchar_t* const CSimRegistration::m_pszProgId = L"KivoCameraSim.Camera.1";
const wchar_t* const CSimRegistration::m_pszVersionIndependentProgId = L"KivoCameraSim.Camera";

namespace
{
const wchar_t g_szClasses[] = L"Software\\Classes";
const wchar_t g_szDescription[] = L"Kivo camera simulator";

std::wstring FormatGuid(REFGUID guid)
{
    wchar_t sz[40];
    StringFromGUID2(guid, sz, 40);
    return sz;
}

// Writes the default value (strName empty) or a named value of a key below
// HKLM\Software\Classes, creating the key.
LSTATUS WriteClassesValue(const std::wstring& strPath, const wchar_t* pszName, const std::wstring& strValue)
{
    CKIVORegKey key;
    const std::wstring strKey = std::wstring(g_szClasses) + L"\\" + strPath;
    LSTATUS nStatus = Kivo::CreateRegKey(key, HKEY_LOCAL_MACHINE, strKey.c_str(), KEY_WRITE);
    if (nStatus != ERROR_SUCCESS)
        return nStatus;
    return RegSetValueExW(key.Get(), pszName, 0, REG_SZ, reinterpret_cast<const BYTE*>(strValue.c_str()),
                          static_cast<DWORD>((strValue.size() + 1) * sizeof(wchar_t)));
}

LSTATUS DeleteClassesTree(const std::wstring& strPath)
{
    CKIVORegKey classes;
    LSTATUS nStatus = Kivo::OpenRegKey(classes, HKEY_LOCAL_MACHINE, g_szClasses, KEY_ALL_ACCESS);
    if (nStatus != ERROR_SUCCESS)
        return nStatus;
    nStatus = RegDeleteTreeW(classes.Get(), strPath.c_str());
    return nStatus == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : nStatus;
}

std::wstring DescribeRegistryError(const std::wstring& strPath, LSTATUS nStatus)
{
    std::wstring strText =
        L"HKLM\\" + std::wstring(g_szClasses) + L"\\" + strPath + L": " + FormatSimResult(HRESULT_FROM_WIN32(nStatus));
    if (nStatus == ERROR_ACCESS_DENIED)
        strText += L" (registering machine-wide needs administrator rights)";
    return strText;
}
}

CSimRegistration::CSimRegistration(const std::wstring& strModulePath)
    : m_strModulePath(strModulePath)
{
}

HRESULT CSimRegistration::Register(std::wstring& strError)
{
    const std::wstring strClsid = FormatGuid(CLSID_KIVOCamera);
    const std::wstring strClassKey = L"CLSID\\" + strClsid;
    struct SValue
    {
        std::wstring strPath;
        const wchar_t* pszName;
        std::wstring strValue;
    };
    const SValue aValues[] = {
        { strClassKey, nullptr, g_szDescription },
        { strClassKey + L"\\LocalServer32", nullptr, L"\"" + m_strModulePath + L"\"" },
        { strClassKey + L"\\ProgID", nullptr, m_pszProgId },
        { strClassKey + L"\\VersionIndependentProgID", nullptr, m_pszVersionIndependentProgId },
        { strClassKey + L"\\TypeLib", nullptr, FormatGuid(LIBID_KivoCameraLib) },
        { strClassKey + L"\\Version", nullptr, L"1.0" },
        { m_pszProgId, nullptr, g_szDescription },
        { std::wstring(m_pszProgId) + L"\\CLSID", nullptr, strClsid },
        { m_pszVersionIndependentProgId, nullptr, g_szDescription },
        { std::wstring(m_pszVersionIndependentProgId) + L"\\CLSID", nullptr, strClsid },
        { std::wstring(m_pszVersionIndependentProgId) + L"\\CurVer", nullptr, m_pszProgId },
    };
    for (const SValue& value : aValues)
    {
        LSTATUS nStatus = WriteClassesValue(value.strPath, value.pszName, value.strValue);
        if (nStatus != ERROR_SUCCESS)
        {
            strError = DescribeRegistryError(value.strPath, nStatus);
            return HRESULT_FROM_WIN32(nStatus);
        }
    }

    // Registers the library and, for its dual interfaces, the type-library
    // marshaller as their proxy/stub.
    CKIVOComPtr<ITypeLib> pTypeLib;
    HRESULT hr = LoadTypeLibEx(m_strModulePath.c_str(), REGKIND_REGISTER, pTypeLib.ReceiveTyped());
    if (FAILED(hr))
    {
        strError = L"cannot register the type library embedded in " + m_strModulePath + L": " + FormatSimResult(hr);
        return hr;
    }
    return S_OK;
}

HRESULT CSimRegistration::Unregister(std::wstring& strError)
{
    // A library that is not registered has nothing to remove.
    CKIVOUniqueResource<CKIVOBstrTraits> bstrPath;
    if (SUCCEEDED(QueryPathOfRegTypeLib(LIBID_KivoCameraLib, 1, 0, LOCALE_NEUTRAL, bstrPath.Receive())))
    {
        HRESULT hr = UnRegisterTypeLib(LIBID_KivoCameraLib, 1, 0, LOCALE_NEUTRAL, SYS_WIN64);
        if (FAILED(hr))
        {
            strError = L"cannot unregister the type library: " + FormatSimResult(hr);
            return hr;
        }
    }
    const std::wstring aKeys[] = {
        L"CLSID\\" + FormatGuid(CLSID_KIVOCamera),
        m_pszProgId,
        m_pszVersionIndependentProgId,
    };
    for (const std::wstring& strKey : aKeys)
    {
        LSTATUS nStatus = DeleteClassesTree(strKey);
        if (nStatus != ERROR_SUCCESS)
        {
            strError = DescribeRegistryError(strKey, nStatus);
            return HRESULT_FROM_WIN32(nStatus);
        }
    }
    return S_OK;
}
