#include "MfcTestExt.h"
#include <afxdisp.h>

static AFX_EXTENSION_MODULE s_extModule = { FALSE, nullptr, nullptr };

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        if (!AfxInitExtensionModule(s_extModule, hInstance))
            return FALSE;
        new CDynLinkLibrary(s_extModule);
    }
    else if (dwReason == DLL_PROCESS_DETACH)
        AfxTermExtensionModule(s_extModule);
    return TRUE;
}

IMPLEMENT_DYNCREATE(CExtShape, CObject)
IMPLEMENT_DYNAMIC(CExtSquare, CExtShape)
IMPLEMENT_DYNAMIC(CExtError, CException)

LONG CExtError::s_nLiving = 0;

CExtError::CExtError(int nCode)
    : m_nCode(nCode)
{
    ::InterlockedIncrement(&s_nLiving);
}
CExtError::~CExtError()
{
    ::InterlockedDecrement(&s_nLiving);
}

BOOL CExtError::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT) const
{
    CString strMessage;
    strMessage.Format(L"extension error %d", m_nCode);
    ::lstrcpyn(lpszError, strMessage, (int)nMaxError);
    return TRUE;
}

void AFXAPI ExtThrowError(int nCode)
{
    throw new CExtError(nCode);
}
void AFXAPI ExtThrowOleError(SCODE sc)
{
    AfxThrowOleException(sc);
}
void AFXAPI ExtAppend(CString& str, LPCTSTR psz)
{
    str += psz;
}
HMODULE AFXAPI ExtGetModule()
{
    return s_extModule.hModule;
}

CString AFXAPI ExtRepeat(LPCTSTR pszUnit, int nCount)
{
    CString str;
    for (int i = 0; i < nCount; i++)
        str += pszUnit;
    return str;
}
