// KivoPictureTransfer.cpp: pictures from the server into the caller's buffers.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoSafeArray.h"

namespace
{
// A negative size, or no buffer where bytes are asked for, is the caller's error.
bool IsValidBuffer(const void* pBuffer, int nSize)
{
    return nSize >= 0 && (pBuffer != NULL || nSize == 0);
}

// Copies a delivered picture: at most nSize bytes, never more than the array
// holds; the full length goes to pnLength.
void CopyPicture(CKIVOSafeArrayHolder& picture, void* pBuffer, int nSize, int* pnLength)
{
    picture.Lock();
    long nLength = picture.GetCount();
    if (pnLength != NULL)
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
    if (picture.Get() == NULL)
        throw new CKIVOClientException(0, CEXC_NO_PICTURE, _T("GetPicture"));
    CopyPicture(picture, pBuffer, nSize, pnLength);
}

void CKIVOClient::GetRGBPicture(void* pBuffer, int nSize, int* pnLength)
{
    CheckConnection(_T("GetRGBPicture"));
    if (!IsValidBuffer(pBuffer, nSize))
        HandleConnectionError(E_INVALIDARG, _T("GetRGBPicture"));
    CKIVOSafeArrayHolder picture;
    HandleConnectionError(GetICamera()->GetRGBPicture(&picture), _T("GetRGBPicture"));
    if (picture.Get() == NULL)
        throw new CKIVOClientException(0, CEXC_NO_PICTURE, _T("GetRGBPicture"));
    CopyPicture(picture, pBuffer, nSize, pnLength);
}

int CKIVOClient::Get3DLivePicture(SAFEARRAY** ppsaPicture, unsigned long* pnWidth,
                                  unsigned long* pnHeight) const
{
    IKIVOCamera3* pCamera3 = GetICamera3();
    if (pCamera3 == NULL)
        throw new CKIVOClientException(0, CEXC_NO_INTERFACE, _T("Old Kivo Server"));

    // Missing places for the results cannot be marshalled: no picture.
    if (ppsaPicture == NULL || pnWidth == NULL || pnHeight == NULL)
    {
        pCamera3->Release();
        return 0;
    }
    long nBytesPerPixel = 0, nFormat = 0;
    HRESULT hr = pCamera3->Get3DLivePicture(ppsaPicture, pnWidth, pnHeight, &nBytesPerPixel, &nFormat);
    pCamera3->Release();
    return hr >= 0 && nBytesPerPixel == 1 && nFormat == 1 ? 1 : 0;
}
