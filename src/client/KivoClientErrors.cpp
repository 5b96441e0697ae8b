// KivoClientErrors.cpp: how camera operations report a missing connection and
// a failed server call.
#include "stdafx.h"
#include <KivoClient.h>

void CKIVOClient::CheckConnection(CString strContext) const
{
    if (IsConnected())
        return;
    throw new CKIVOClientException(0, CEXC_NOT_CONNECTED, strContext);
}

void CKIVOClient::HandleConnectionError(long hr, CString strContext) const
{
    if (hr >= 0)
        return;

    CEXC_CAMERA_NUM eError;
    switch (static_cast<unsigned long>(hr))
    {
    case 0x80070005UL: eError = CEXC_ACCESS_DENIED; break;      // E_ACCESSDENIED
    case 0x80070006UL: eError = CEXC_INVALID_HANDLE; break;     // E_HANDLE
    case 0x8007000EUL: eError = CEXC_OUT_OF_MEMORY; break;      // E_OUTOFMEMORY
    case 0x80070057UL: eError = CEXC_INVALID_ARGUMENT; break;   // E_INVALIDARG
    default:
    {
        CString strText;
        strText.Format(_T("%s:0x%08x"), static_cast<LPCTSTR>(strContext), static_cast<unsigned int>(hr));
        throw new CKIVOClientException(0, CEXC_CALL_FAILED, strText);
    }
    }
    throw new CKIVOClientException(0, eError, strContext);
}
