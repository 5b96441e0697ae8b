// KivoCameraProperties.cpp: camera properties as text and integers, the
// client's own copy of the live picture size, and the server's error state.
//
// While the client draws the live picture itself it keeps LIVEWIDTH and
// LIVEHEIGHT as the application asked for them, even where the server was told
// a smaller size because LIMITEDSIZE caps it; a write that the server refused
// leaves the copy as it was. Texts keep every character the server sent,
// embedded NULs included.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoBstr.h"

namespace
{
const int KIVO_LIMITED_WIDTH = 676;
const int KIVO_LIMITED_HEIGHT = 525;

bool IsLiveSize(tagEMVP eProp)
{
    return eProp == LIVEWIDTH || eProp == LIVEHEIGHT;
}

// The live size that the server is told: with LIMITEDSIZE 1 at most 676 x 525.
int CapLiveSize(CKIVOClient& client, tagEMVP eProp, int nValue)
{
    if (client.GetPropValueInt(LIMITEDSIZE) != 1)
        return nValue;
    const int nCap = eProp == LIVEWIDTH ? KIVO_LIMITED_WIDTH : KIVO_LIMITED_HEIGHT;
    return nValue > nCap ? nCap : nValue;
}
}

// The size test of the getters asks the server's CONTROLFLAGS directly, so the
// copy answers even for a client whose worker has no owner. The bit is shared
// by every client of the server: a dimension that this client never wrote has
// no value in its copy and is read from the server.
BOOL CKIVOClient::ReadLiveSizeCopy(IKIVOCamera* pCamera, tagEMVP eProp, int* pnValue)
{
    if (!IsLiveSize(eProp))
        return FALSE;
    COleVariant varFlags;
    HandleConnectionError(pCamera->GetPropVariant(CONTROLFLAGS, &varFlags), _T("GetPropValueInt CONTROLFLAGS"));
    return (varFlags.lVal & KIVO_CLIENT_DRAWN_LIVE) != 0 && m_Thread.GetCachedLiveSize(eProp, pnValue);
}

int CKIVOClient::GetPropValueInt(tagEMVP eProp)
{
    CheckConnection(_T("GetPropValueInt"));
    IKIVOCamera* pCamera = GetICamera();
    int nCopy = 0;
    if (ReadLiveSizeCopy(pCamera, eProp, &nCopy))
        return nCopy;
    COleVariant varValue;
    HandleConnectionError(pCamera->GetPropVariant(eProp, &varValue), _T("GetPropValueInt"));
    return varValue.lVal;
}

CString CKIVOClient::GetPropValue(tagEMVP eProp)
{
    CheckConnection(_T("GetPropValue"));
    IKIVOCamera* pCamera = GetICamera();
    int nCopy = 0;
    if (ReadLiveSizeCopy(pCamera, eProp, &nCopy))
    {
        CString strValue;
        strValue.Format(_T("%d"), nCopy);
        return strValue;
    }
    CKIVOBstr bstrValue;
    HRESULT hr = pCamera->GetPropValue(eProp, bstrValue.Receive());
    HandleConnectionError(hr, _T("GetPropValue"));
    return bstrValue.ToString();
}

CString CKIVOClient::GetPropName(tagEMVP eProp)
{
    CheckConnection(_T("GetPropName"));
    IKIVOCamera* pCamera = GetICamera();
    CKIVOBstr bstrName;
    HRESULT hr = pCamera->GetPropName(eProp, bstrName.Receive());
    HandleConnectionError(hr, _T("GetPropName"));
    return bstrName.ToString();
}

void CKIVOClient::SetPropValueInt(tagEMVP eProp, int nValue)
{
    CheckConnection(_T("SetPropValueInt"));
    const int nRequested = nValue;
    const BOOL bKeepCopy = IsLiveSize(eProp) && m_Thread.IsClientDrawnLive();
    if (bKeepCopy)
        nValue = CapLiveSize(*this, eProp, nValue);
    IKIVOCamera* pCamera = GetICamera();
    COleVariant varValue(static_cast<long>(nValue), VT_I4);
    HRESULT hr = pCamera->SetPropVariant(eProp, varValue);
    CString strContext;
    strContext.Format(_T("SetPropValueInt eProp=%d, iVal=%d"), static_cast<int>(eProp), nValue);
    HandleConnectionError(hr, strContext);
    if (bKeepCopy)
        m_Thread.SetCachedLiveSize(eProp, nRequested);   // only what the server accepted
    if (eProp == LIVEDISPLAY)
        m_Thread.SetLiveDisplay(nValue != 0 ? 1 : 0);
}

void CKIVOClient::SetPropValue(tagEMVP eProp, CString strValue)
{
    CheckConnection(_T("SetPropValue"));
    const BOOL bKeepCopy = IsLiveSize(eProp) && m_Thread.IsClientDrawnLive();
    const int nRequested = bKeepCopy ? _wtoi(strValue) : 0;
    if (bKeepCopy)
    {
        const int nSent = CapLiveSize(*this, eProp, nRequested);
        if (nSent != nRequested)
            strValue.Format(_T("%d"), nSent);
    }
    IKIVOCamera* pCamera = GetICamera();   // before the string: it throws on an unattached thread
    CKIVOBstr bstrValue(strValue);
    HRESULT hr = pCamera->SetPropValue(eProp, bstrValue.Get());
    CString strContext;
    strContext.Format(_T("SetPropValue eProp=%d, sVal=%s"), static_cast<int>(eProp), static_cast<LPCTSTR>(strValue));
    HandleConnectionError(hr, strContext);
    if (bKeepCopy)
        m_Thread.SetCachedLiveSize(eProp, nRequested);   // only what the server accepted
    if (eProp == LIVEDISPLAY)
        m_Thread.SetLiveDisplay(strValue.CompareNoCase(_T("TRUE")) == 0 ? 1 : 0);
}

int CKIVOClient::GetError(CString* pstrErrorText)
{
    CheckConnection(_T("GetError"));
    IKIVOCamera* pCamera = GetICamera();
    long nError = 0;
    HRESULT hr = pCamera->GetError(&nError);
    if (hr >= 0 && pstrErrorText != nullptr)
    {
        CKIVOBstr bstrText;
        hr = pCamera->GetErrorText(bstrText.Receive());
        *pstrErrorText = bstrText.ToString();
    }
    HandleConnectionError(hr, _T("GetError"));
    return nError;
}

void CKIVOClient::ClearError()
{
    CheckConnection(_T("ClearError"));
    HandleConnectionError(GetICamera()->ClearError(), _T("ClearError"));
}
