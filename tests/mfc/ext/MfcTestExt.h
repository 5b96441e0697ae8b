// A small MFC extension library for the tests: run-time classes, an exception
// and strings that live in another module than the test program.
#pragma once

#include <afxwin.h>

class AFX_EXT_CLASS CExtShape : public CObject
{
    DECLARE_DYNCREATE(CExtShape)
};

class AFX_EXT_CLASS CExtSquare : public CExtShape
{
    DECLARE_DYNAMIC(CExtSquare)
};

// Thrown (by pointer, auto-deleting) from inside the extension library.
class AFX_EXT_CLASS CExtError : public CException
{
    DECLARE_DYNAMIC(CExtError)
public:
    explicit CExtError(int nCode);
    virtual ~CExtError();
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const;
    int m_nCode;
    static LONG s_nLiving;   // constructed and not yet destroyed
};

AFX_EXT_API void AFXAPI ExtThrowError(int nCode);
AFX_EXT_API void AFXAPI ExtThrowOleError(SCODE sc);
AFX_EXT_API CString AFXAPI ExtRepeat(LPCTSTR pszUnit, int nCount);
AFX_EXT_API void AFXAPI ExtAppend(CString& str, LPCTSTR psz);
AFX_EXT_API HMODULE AFXAPI ExtGetModule();
