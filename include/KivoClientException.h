// KivoClientException.h: the one exception the client library throws.
#pragma once

#include <afx.h>

#include <KivoClientExport.h>

// Error numbers carried by CKIVOClientException. 0 is never used.
enum CEXC_CAMERA_NUM
{
    CEXC_NO_INTERFACE = 1,       // no server object, no interface for the thread, old server
    CEXC_NO_PICTURE = 2,         // the server delivered no picture array
    CEXC_NO_TABLE = 3,           // the server delivered no table array
    CEXC_NOT_CONNECTED = 4,      // the client is not connected
    CEXC_INVALID_HANDLE = 5,     // a call returned E_HANDLE
    CEXC_INVALID_ARGUMENT = 6,   // a call returned E_INVALIDARG
    CEXC_OUT_OF_MEMORY = 7,      // a call returned E_OUTOFMEMORY
    CEXC_ACCESS_DENIED = 8,      // a call returned E_ACCESSDENIED, or no live picture thread
    CEXC_CALL_FAILED = 9         // any other failure; the text ends with the HRESULT
};

// Thrown by pointer and auto-deleting: catch CKIVOClientException* (or CException*)
// and end it with Delete().
class KIVOCLIENT_CLASS CKIVOClientException : public CException
{
    DECLARE_DYNAMIC(CKIVOClientException)

public:
    CKIVOClientException(unsigned int nAuxCode, CEXC_CAMERA_NUM eErrorNumber, const CString& strErrorText);
    ~CKIVOClientException() override;

    // Writes "<number> : CS ERROR : <text>", cut to nMaxError - 1 characters; returns 1.
    int GetErrorMessage(wchar_t* lpszError, unsigned int nMaxError, unsigned int* pnHelpContext = nullptr) override;
    using CException::GetErrorMessage;

    CEXC_CAMERA_NUM GetErrorNumber() const;

protected:
    CEXC_CAMERA_NUM m_eErrorNumber;
    unsigned int m_nAuxCode;
    CString m_strErrorText;
};
