// KivoCameraProperties.cpp: camera properties as text and integers, the
// client's own copy of the live picture size, and the server's error state.
//
// While the client draws the live picture itself it keeps LIVEWIDTH and
// LIVEHEIGHT as the application asked for them, even where the server was told
// a smaller size because LIMITEDSIZE caps it.
#include "stdafx.h"
#include <KivoClient.h>

namespace
{
const int KIVO_LIMITED_WIDTH = 676;
const int KIVO_LIMITED_HEIGHT = 525;

bool IsLiveSize(tagEMVP eProp)
{
    return eProp == LIVEWIDTH || eProp == LIVEHEIGHT;
}

// Takes a BSTR that the server handed over: copied into a CString, freed at once.
CString TakeServerString(BSTR bstr)
{
    CString str(bstr);
    SysFreeString(bstr);
    return str;
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
    BSTR bstrValue = NULL;
    HRESULT hr = pCamera->GetPropValue(eProp, &bstrValue);
    CString strValue = TakeServerString(bstrValue);
    HandleConnectionError(hr, _T("GetPropValue"));
    return strValue;
}

CString CKIVOClient::GetPropName(tagEMVP eProp)
{
    CheckConnection(_T("GetPropName"));
    BSTR bstrName = NULL;
    HRESULT hr = GetICamera()->GetPropName(eProp, &bstrName);
    CString strName = TakeServerString(bstrName);
    HandleConnectionError(hr, _T("GetPropName"));
    return strName;
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
    COleVariant varValue(static_cast<long>(nValue), VT_I4);
    HRESULT hr = GetICamera()->SetPropVariant(eProp, varValue);
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
    BSTR bstrValue = strValue.AllocSysString();
    HRESULT hr = GetICamera()->SetPropValue(eProp, bstrValue);
    SysFreeString(bstrValue);
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
        BSTR bstrText = NULL;
        hr = pCamera->GetErrorText(&bstrText);
        *pstrErrorText = TakeServerString(bstrText);
    }
    HandleConnectionError(hr, _T("GetError"));
    return nError;
}

void CKIVOClient::ClearError()
{
    CheckConnection(_T("ClearError"));
    HandleConnectionError(GetICamera()->ClearError(), _T("ClearError"));
}
