// CException and the simple exceptions thrown by the library.
#include "AfxImpl.h"

/////////////////////////////////////////////////////////////////////////////
// CException

IMPLEMENT_DYNAMIC(CException, CObject)

CException::CException()
    : m_bAutoDelete(TRUE)
{
}

CException::CException(BOOL bAutoDelete)
    : m_bAutoDelete(bAutoDelete)
{
}

CException::~CException() {}

void CException::Delete()
{
    // Static exceptions (AfxThrowMemoryException) must survive any number of
    // catch handlers.
    if (m_bAutoDelete > 0)
        delete this;
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    return static_cast<const CException*>(this)->GetErrorMessage(lpszError, nMaxError, pnHelpContext);
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (pnHelpContext != nullptr)
        *pnHelpContext = 0;
    if (lpszError != nullptr && nMaxError != 0)
        *lpszError = L'\0';
    return FALSE;
}

int CException::ReportError(UINT nType, UINT nMessageID)
{
    CString strMessage;
    UINT nHelpContext = 0;
    TCHAR szErrorMessage[512];
    if (GetErrorMessage(szErrorMessage, _countof(szErrorMessage), &nHelpContext))
        strMessage = szErrorMessage;
    else if (nMessageID == 0 || !strMessage.LoadString(nMessageID))
        strMessage.LoadString(AFX_IDP_NO_ERROR_AVAILABLE);

    // As the application's message box: its title is the program's name, and
    // a box without an icon gets the one matching its buttons.
    if ((nType & MB_ICONMASK) == 0)
    {
        switch (nType & MB_TYPEMASK)
        {
        case MB_OK:
        case MB_OKCANCEL: nType |= MB_ICONEXCLAMATION; break;
        case MB_YESNO:
        case MB_YESNOCANCEL: nType |= MB_ICONQUESTION; break;
        }
    }
    TCHAR szPath[MAX_PATH];
    DWORD nPath = ::GetModuleFileName(nullptr, szPath, _countof(szPath));
    CString strTitle(szPath, (nPath < _countof(szPath)) ? (int)nPath : 0);
    strTitle = strTitle.Mid(strTitle.ReverseFind(L'\\') + 1);
    int iExtension = strTitle.ReverseFind(L'.');
    if (iExtension > 0)
        strTitle = strTitle.Left(iExtension);
    return ::MessageBox(nullptr, strMessage, strTitle, nType);
}

/////////////////////////////////////////////////////////////////////////////
// CSimpleException: the text is string m_nResourceID; 0 means no text.

IMPLEMENT_DYNAMIC(CSimpleException, CException)

CSimpleException::CSimpleException()
    : m_nResourceID(0)
{
}

CSimpleException::CSimpleException(BOOL bAutoDelete)
    : CException(bAutoDelete)
    , m_nResourceID(0)
{
}

CSimpleException::~CSimpleException() {}

BOOL CSimpleException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    if (lpszError == nullptr || nMaxError == 0)
        return FALSE;
    if (pnHelpContext != nullptr)
        *pnHelpContext = 0;
    // Loaded on each call rather than cached: the thrown objects are static and
    // shared by all threads.
    CString strMessage;
    if (m_nResourceID == 0 || !strMessage.LoadString(m_nResourceID))
    {
        *lpszError = L'\0';
        return FALSE;
    }
    ::lstrcpyn(lpszError, strMessage, (int)nMaxError);
    return TRUE;
}

/////////////////////////////////////////////////////////////////////////////
// The concrete simple exceptions

#define IMPLEMENT_SIMPLE_EXCEPTION(class_name)                                                                         \
    IMPLEMENT_DYNAMIC(class_name, CSimpleException)                                                                    \
    class_name::class_name() {}                                                                                        \
    class_name::class_name(BOOL bAutoDelete)                                                                           \
        : CSimpleException(bAutoDelete)                                                                                \
    {                                                                                                                  \
    }                                                                                                                  \
    class_name::class_name(BOOL bAutoDelete, UINT nResourceID)                                                         \
        : CSimpleException(bAutoDelete)                                                                                \
    {                                                                                                                  \
        m_nResourceID = nResourceID;                                                                                   \
    }                                                                                                                  \
    class_name::~class_name() {}

IMPLEMENT_SIMPLE_EXCEPTION(CMemoryException)
IMPLEMENT_SIMPLE_EXCEPTION(CNotSupportedException)
IMPLEMENT_SIMPLE_EXCEPTION(CInvalidArgException)
IMPLEMENT_SIMPLE_EXCEPTION(CResourceException)

namespace
{
// These exceptions are thrown as one static object of each kind, never deleted,
// so that throwing one needs no memory.
template <class TException>
[[noreturn]] void ThrowStatic(UINT nResourceID)
{
    static TException s_exception(FALSE, nResourceID);
    throw &s_exception;
}
}

void AFXAPI AfxThrowMemoryException()
{
    ThrowStatic<CMemoryException>(AFX_IDS_MEMORY_EXCEPTION);
}

void AFXAPI AfxThrowNotSupportedException()
{
    ThrowStatic<CNotSupportedException>(AFX_IDS_NOT_SUPPORTED_EXCEPTION);
}

void AFXAPI AfxThrowInvalidArgException()
{
    ThrowStatic<CInvalidArgException>(AFX_IDS_INVALID_ARG_EXCEPTION);
}

void AFXAPI AfxThrowResourceException()
{
    ThrowStatic<CResourceException>(AFX_IDS_RESOURCE_EXCEPTION);
}
