// KivoClientException.cpp: the client library's exception.
#include "stdafx.h"
#include <KivoClientException.h>

IMPLEMENT_DYNAMIC(CKIVOClientException, CException)

CKIVOClientException::CKIVOClientException(unsigned int nAuxCode, CEXC_CAMERA_NUM eErrorNumber,
                                           const CString& strErrorText)
    : m_eErrorNumber(eErrorNumber)
    , m_nAuxCode(nAuxCode)
    , m_strErrorText(strErrorText)
{
}

CKIVOClientException::~CKIVOClientException() {}

int CKIVOClientException::GetErrorMessage(wchar_t* lpszError, unsigned int nMaxError, unsigned int* pnHelpContext)
{
    CString strMessage;
    strMessage.Format(_T("%d"), static_cast<int>(m_eErrorNumber));
    CString strDetail(_T(" : CS ERROR"));
    strDetail += _T(" : ");
    strDetail += m_strErrorText;
    strMessage += strDetail;

    // A buffer without room for even the terminator receives nothing.
    if (lpszError != nullptr && nMaxError > 0)
    {
        wcsncpy_s(lpszError, nMaxError, strMessage, _TRUNCATE);
        const size_t nLength = wcslen(lpszError);
        wmemset(lpszError + nLength, 0, nMaxError - nLength);   // zero-filled to the capacity
    }
    if (pnHelpContext != nullptr)
        *pnHelpContext = 0;
    return 1;
}

CEXC_CAMERA_NUM CKIVOClientException::GetErrorNumber() const
{
    return m_eErrorNumber;
}
