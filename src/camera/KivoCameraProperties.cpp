// KivoCameraProperties.cpp: camera properties as text and integers, the
// client's own copy of the live picture size, and the server's error state.
//
// While the client draws the live picture itself it keeps LIVEWIDTH and
// LIVEHEIGHT as the application asked for them, even where the server was told
// a smaller size because LIMITEDSIZE caps it.
#include "stdafx.h"
#include <KivoClient.h>
#include "common/KivoBstr.h"

namespace
{
const int KIVO_LIMITED_WIDTH = 676;
const int KIVO_LIMITED_HEIGHT = 525;

bool IsLiveSize(tagEMVP eProp)
{
    return eProp == LIVEWIDTH || eProp == LIVEHEIGHT;
}
}

// The size test of the getters asks the server's CONTROLFLAGS directly, so the
// copy answers even for a client whose worker has no owner.
BOOL CKIVOClient::IsLiveSizeFromCopy(IKIVOCamera* pCamera, tagEMVP eProp) const
{
    if (!IsLiveSize(eProp))
        return FALSE;
    COleVariant varFlags;
    HandleConnectionError(pCamera->GetPropVariant(CONTROLFLAGS, &varFlags), _T("GetPropValueInt CONTROLFLAGS"));
    return (varFlags.lVal & KIVO_CLIENT_DRAWN_LIVE) != 0;
}

int CKIVOClient::GetPropValueInt(tagEMVP eProp)
{
    CheckConnection(_T("GetPropValueInt"));
    IKIVOCamera* pCamera = GetICamera();
    if (IsLiveSizeFromCopy(pCamera, eProp))
        return m_Thread.GetCachedLiveSize(eProp);
    COleVariant varValue;
    HandleConnectionError(pCamera->GetPropVariant(eProp, &varValue), _T("GetPropValueInt"));
    return varValue.lVal;
}

CString CKIVOClient::GetPropValue(tagEMVP eProp)
{
    CheckConnection(_T("GetPropValue"));
    IKIVOCamera* pCamera = GetICamera();
    if (IsLiveSizeFromCopy(pCamera, eProp))
    {
        CString strValue;
        strValue.Format(_T("%d"), m_Thread.GetCachedLiveSize(eProp));
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
    if (IsLiveSize(eProp) && m_Thread.IsClientDrawnLive())
    {
        m_Thread.SetCachedLiveSize(eProp, nValue);
        if (GetPropValueInt(LIMITEDSIZE) == 1)
        {
            int nCap = eProp == LIVEWIDTH ? KIVO_LIMITED_WIDTH : KIVO_LIMITED_HEIGHT;
            if (nValue > nCap)
                nValue = nCap;
        }
    }
    IKIVOCamera* pCamera = GetICamera();
    COleVariant varValue(static_cast<long>(nValue), VT_I4);
    HRESULT hr = pCamera->SetPropVariant(eProp, varValue);
    CString strContext;
    strContext.Format(_T("SetPropValueInt eProp=%d, iVal=%d"), static_cast<int>(eProp), nValue);
    HandleConnectionError(hr, strContext);
    if (eProp == LIVEDISPLAY)
        m_Thread.m_bLiveDisplay = nValue != 0 ? 1 : 0;
}

void CKIVOClient::SetPropValue(tagEMVP eProp, CString strValue)
{
    CheckConnection(_T("SetPropValue"));
    if (IsLiveSize(eProp) && m_Thread.IsClientDrawnLive())
    {
        int nValue = _wtoi(strValue);
        m_Thread.SetCachedLiveSize(eProp, nValue);
        if (GetPropValueInt(LIMITEDSIZE) == 1)
        {
            int nCap = eProp == LIVEWIDTH ? KIVO_LIMITED_WIDTH : KIVO_LIMITED_HEIGHT;
            if (nValue > nCap)
                strValue.Format(_T("%d"), nCap);
        }
    }
    IKIVOCamera* pCamera = GetICamera();   // before the string: it throws on an unattached thread
    CKIVOBstr bstrValue(strValue);
    HRESULT hr = pCamera->SetPropValue(eProp, bstrValue.Get());
    CString strContext;
    strContext.Format(_T("SetPropValue eProp=%d, sVal=%s"), static_cast<int>(eProp),
                      static_cast<LPCTSTR>(strValue));
    HandleConnectionError(hr, strContext);
    if (eProp == LIVEDISPLAY)
        m_Thread.m_bLiveDisplay = strValue.CompareNoCase(_T("TRUE")) == 0 ? 1 : 0;
}

int CKIVOClient::GetError(CString* pstrErrorText)
{
    CheckConnection(_T("GetError"));
    IKIVOCamera* pCamera = GetICamera();
    long nError = 0;
    HRESULT hr = pCamera->GetError(&nError);
    if (hr >= 0 && pstrErrorText != NULL)
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
