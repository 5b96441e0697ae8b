#include "SimTestSupport.h"

namespace
{
CKIVOComPtr<IKIVOCamera3> g_pKeeper;
}

void CreateCamera(CKIVOComPtr<IKIVOCamera3>& pCamera)
{
    EXPECT_EQ(S_OK,
              CoCreateInstance(CLSID_KIVOCamera, nullptr, CLSCTX_LOCAL_SERVER, IID_IKIVOCamera3, pCamera.Receive()));
}

void ReleaseKeptServer()
{
    g_pKeeper.Reset();
}

std::vector<BYTE> GetArrayBytes(SAFEARRAY* psa, VARTYPE vtExpected)
{
    VARTYPE vt = VT_EMPTY;
    LONG nLower = -1, nUpper = -2;
    void* pData = nullptr;
    if (psa == nullptr || FAILED(SafeArrayGetVartype(psa, &vt)) || vt != vtExpected || SafeArrayGetDim(psa) != 1
        || FAILED(SafeArrayGetLBound(psa, 1, &nLower)) || FAILED(SafeArrayGetUBound(psa, 1, &nUpper)) || nLower != 0
        || FAILED(SafeArrayAccessData(psa, &pData)))
    {
        ADD_FAILURE() << "not a one-dimensional array of type " << vtExpected << " from 0";
        return {};
    }
    std::vector<BYTE> vecBytes(static_cast<BYTE*>(pData),
                               static_cast<BYTE*>(pData) + (nUpper + 1) * SafeArrayGetElemsize(psa));
    SafeArrayUnaccessData(psa);
    return vecBytes;
}

std::vector<LONG> GetArrayLongs(SAFEARRAY* psa)
{
    const std::vector<BYTE> vecBytes = GetArrayBytes(psa, VT_I4);
    return std::vector<LONG>(reinterpret_cast<const LONG*>(vecBytes.data()),
                             reinterpret_cast<const LONG*>(vecBytes.data() + vecBytes.size()));
}

SAFEARRAY* CreateLongArray(const std::vector<LONG>& vecValues)
{
    SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(vecValues.size()));
    for (LONG i = 0; psa != nullptr && i < static_cast<LONG>(vecValues.size()); ++i)
        SafeArrayPutElement(psa, &i, const_cast<LONG*>(&vecValues[i]));
    return psa;
}

STestLiveFrame WaitForLiveFrame(IKIVOCamera3* pCamera, DWORD nTimeoutMs)
{
    STestLiveFrame frame;
    const ULONGLONG nEnd = GetTickCount64() + nTimeoutMs;
    for (;;)
    {
        CTestArray array;
        frame.hr = pCamera->Get3DLivePicture(array.Receive(), &frame.nWidth, &frame.nHeight, &frame.nBytesPerPixel,
                                             &frame.nFormat);
        if (frame.hr == S_OK)
            frame.vecBytes = GetArrayBytes(array.Get(), VT_UI1);
        else
            EXPECT_EQ(nullptr, array.Get()) << "a picture without a frame";
        if (frame.hr != E_PENDING || GetTickCount64() >= nEnd)
            return frame;
        Sleep(2);
    }
}

LONG GetPropLongOf(IKIVOCamera3* pCamera, tagEMVP eProp)
{
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(S_OK, pCamera->GetPropVariant(eProp, &v));
    EXPECT_EQ(VT_I4, V_VT(&v));
    const LONG nValue = V_VT(&v) == VT_I4 ? V_I4(&v) : -999999;
    VariantClear(&v);
    return nValue;
}

LONG OrderOf(IKIVOCamera3* pCamera)
{
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(S_OK, pCamera->OrderCamera(&v));
    return V_VT(&v) == VT_I4 ? V_I4(&v) : -1;
}

tagEServerState StateOf(IKIVOCamera3* pCamera)
{
    tagEServerState eState = SERVERSTATE_FORCE_DWORD;
    EXPECT_EQ(S_OK, pCamera->GetServerState(&eState));
    return eState;
}

void CSimTest::SetUp()
{
    if (g_pKeeper.IsNull())
        CreateCamera(g_pKeeper);
    CreateCamera(m_pCamera);
    ASSERT_FALSE(m_pCamera.IsNull());
    ASSERT_EQ(S_OK, m_pCamera->Close());
    ASSERT_EQ(S_OK, m_pCamera->ClearError());
    SetProp(PICTUREWIDTH, 640);
    SetProp(PICTUREHEIGHT, 480);
    SetProp(LIVEFORMAT, 1);
    SetProp(LIVEFRAMERATE, 25);
}

void CSimTest::TearDown()
{
    LONG nReleased = 0;
    if (!m_pCamera.IsNull())
        m_pCamera->ReleaseCamera(&nReleased);
}

void CSimTest::SetProp(tagEMVP eProp, LONG nValue)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = nValue;
    EXPECT_EQ(S_OK, m_pCamera->SetPropVariant(eProp, v)) << "property " << eProp;
}

std::wstring CSimTest::GetPropText(tagEMVP eProp)
{
    CTestBstr bstr;
    EXPECT_EQ(S_OK, m_pCamera->GetPropValue(eProp, bstr.Receive()));
    return bstr.GetText();
}

LONG CSimTest::GetErrorNumber()
{
    LONG nError = -1;
    EXPECT_EQ(S_OK, m_pCamera->GetError(&nError));
    return nError;
}

std::wstring CSimTest::GetErrorText()
{
    CTestBstr bstr;
    EXPECT_EQ(S_OK, m_pCamera->GetErrorText(bstr.Receive()));
    return bstr.GetText();
}
