// KivoPictureTransfer.cpp: pictures from the server into the caller's buffers.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoComPtr.h"
#include "KivoSafeArray.h"

namespace
{
// A negative size, or no buffer where bytes are asked for, is the caller's error.
bool IsValidBuffer(const void* pBuffer, int nSize)
{
    return nSize >= 0 && (pBuffer != nullptr || nSize == 0);
}

// Copies a delivered picture: at most nSize bytes; the full length goes to
// pnLength. An array that is not a vector of bytes from index 0 is no picture:
// its bounds would claim bytes that it does not hold; nor is one whose length
// does not fit pnLength.
void CopyPicture(CKIVOSafeArrayHolder& picture, void* pBuffer, int nSize, int* pnLength, LPCTSTR pszName)
{
    int nLength = 0;
    if (!picture.IsVectorOf(1) || !picture.GetCount(&nLength) || !picture.Lock())
        throw new CKIVOClientException(0, CEXC_NO_PICTURE, pszName);
    if (pnLength != nullptr)
        *pnLength = nLength;
    CopyFromSafeArray(picture, pBuffer, nSize < nLength ? nSize : nLength, 1);
}
}

void CKIVOClient::AllocPicture(long nPicture)
{
    CheckConnection(_T("AllocPicture"));
    HandleConnectionError(GetICamera()->AllocPicture(nPicture), _T("AllocPicture"));
}

void CKIVOClient::GetPicture(long nPicture, void* pBuffer, int nSize, int* pnLength) const
{
    CheckConnection(_T("GetPicture"));
    if (!IsValidBuffer(pBuffer, nSize))
        HandleConnectionError(E_INVALIDARG, _T("GetPicture"));
    CKIVOSafeArrayHolder picture;
    HandleConnectionError(GetICamera()->GetPicture(nPicture, &picture), _T("GetPicture"));
    CopyPicture(picture, pBuffer, nSize, pnLength, _T("GetPicture"));
}

void CKIVOClient::GetRGBPicture(void* pBuffer, int nSize, int* pnLength)
{
    CheckConnection(_T("GetRGBPicture"));
    if (!IsValidBuffer(pBuffer, nSize))
        HandleConnectionError(E_INVALIDARG, _T("GetRGBPicture"));
    CKIVOSafeArrayHolder picture;
    HandleConnectionError(GetICamera()->GetRGBPicture(&picture), _T("GetRGBPicture"));
    CopyPicture(picture, pBuffer, nSize, pnLength, _T("GetRGBPicture"));
}

int CKIVOClient::Get3DLivePicture(SAFEARRAY** ppsaPicture, unsigned long* pnWidth, unsigned long* pnHeight) const
{
    CKIVOComPtr<IKIVOCamera3> pCamera3(GetICamera3());
    if (pCamera3.IsNull())
        throw new CKIVOClientException(0, CEXC_NO_INTERFACE, _T("Old Kivo Server"));

    // Missing places for the results cannot be marshalled: no picture.
    if (ppsaPicture == nullptr || pnWidth == nullptr || pnHeight == nullptr)
        return 0;
    long nBytesPerPixel = 0, nFormat = 0;
    HRESULT hr = pCamera3->Get3DLivePicture(ppsaPicture, pnWidth, pnHeight, &nBytesPerPixel, &nFormat);
    return hr >= 0 && nBytesPerPixel == 1 && nFormat == 1 ? 1 : 0;
}
