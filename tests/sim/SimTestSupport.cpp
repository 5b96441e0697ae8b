#include "SimTestSupport.h"

#include <tlhelp32.h>

namespace
{
CTestPtr<IKIVOCamera3> g_pKeeper;

// Owning kernel handle.
class CTestHandle
{
public:
    explicit CTestHandle(HANDLE h) : m_h(h) {}
    ~CTestHandle()
    {
        if (m_h != nullptr && m_h != INVALID_HANDLE_VALUE)
            CloseHandle(m_h);
    }
    CTestHandle(const CTestHandle&) = delete;
    CTestHandle& operator=(const CTestHandle&) = delete;
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};
}

CTestPtr<IKIVOCamera3> CreateCamera()
{
    CTestPtr<IKIVOCamera3> pCamera;
    HRESULT hr = CoCreateInstance(CLSID_KIVOCamera, nullptr, CLSCTX_LOCAL_SERVER, IID_IKIVOCamera3,
                                  reinterpret_cast<void**>(&pCamera));
    EXPECT_EQ(S_OK, hr) << "local-server activation of the simulator";
    return pCamera;
}

void KeepServer()
{
    if (!g_pKeeper)
        g_pKeeper = CreateCamera();
}

void ReleaseKeptServer()
{
    g_pKeeper.Release();
}

void ResetSharedCamera(IKIVOCamera3* pCamera)
{
    ASSERT_EQ(S_OK, pCamera->Close());
    ASSERT_EQ(S_OK, pCamera->ClearError());
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    const struct { tagEMVP eProp; LONG nValue; } aDefaults[] = {
        { PICTUREWIDTH, 640 }, { PICTUREHEIGHT, 480 }, { LIVEFORMAT, 1 }, { LIVEFRAMERATE, 25 },
    };
    for (const auto& def : aDefaults)
    {
        V_I4(&v) = def.nValue;
        ASSERT_EQ(S_OK, pCamera->SetPropVariant(def.eProp, v));
    }
}

std::vector<DWORD> FindSimulatorProcesses()
{
    std::vector<DWORD> vecIds;
    CTestHandle hSnapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (hSnapshot.Get() == INVALID_HANDLE_VALUE)
    {
        ADD_FAILURE() << "CreateToolhelp32Snapshot failed";
        return vecIds;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL b = Process32FirstW(hSnapshot.Get(), &entry); b; b = Process32NextW(hSnapshot.Get(), &entry))
    {
        if (lstrcmpiW(entry.szExeFile, L"KivoCameraSim.exe") == 0)
            vecIds.push_back(entry.th32ProcessID);
    }
    return vecIds;
}

bool WaitForProcessesToEnd(const std::vector<DWORD>& vecProcessIds, DWORD nTimeoutMs)
{
    const ULONGLONG nEnd = GetTickCount64() + nTimeoutMs;
    for (DWORD dwId : vecProcessIds)
    {
        CTestHandle hProcess(OpenProcess(SYNCHRONIZE, FALSE, dwId));
        if (hProcess.Get() == nullptr)
            continue;   // gone already
        const ULONGLONG nNow = GetTickCount64();
        const DWORD nWait = nNow < nEnd ? static_cast<DWORD>(nEnd - nNow) : 0;
        if (WaitForSingleObject(hProcess.Get(), nWait) != WAIT_OBJECT_0)
            return false;
    }
    return true;
}

std::vector<BYTE> GetArrayBytes(SAFEARRAY* psa, VARTYPE vtExpected)
{
    std::vector<BYTE> vecBytes;
    if (psa == nullptr)
    {
        ADD_FAILURE() << "no array";
        return vecBytes;
    }
    VARTYPE vt = VT_EMPTY;
    EXPECT_EQ(S_OK, SafeArrayGetVartype(psa, &vt));
    EXPECT_EQ(vtExpected, vt);
    EXPECT_EQ(1u, SafeArrayGetDim(psa));
    LONG nLower = -1, nUpper = -2;
    EXPECT_EQ(S_OK, SafeArrayGetLBound(psa, 1, &nLower));
    EXPECT_EQ(S_OK, SafeArrayGetUBound(psa, 1, &nUpper));
    EXPECT_EQ(0, nLower);
    if (vt != vtExpected || nLower != 0 || nUpper < -1)
        return vecBytes;
    const size_t nBytes = static_cast<size_t>(nUpper + 1) * SafeArrayGetElemsize(psa);
    if (nBytes == 0)
        return vecBytes;
    void* pData = nullptr;
    if (FAILED(SafeArrayAccessData(psa, &pData)))
    {
        ADD_FAILURE() << "SafeArrayAccessData failed";
        return vecBytes;
    }
    vecBytes.assign(static_cast<BYTE*>(pData), static_cast<BYTE*>(pData) + nBytes);
    SafeArrayUnaccessData(psa);
    return vecBytes;
}

std::vector<LONG> GetArrayLongs(SAFEARRAY* psa)
{
    const std::vector<BYTE> vecBytes = GetArrayBytes(psa, VT_I4);
    std::vector<LONG> vecValues(vecBytes.size() / sizeof(LONG));
    if (!vecValues.empty())
        memcpy(vecValues.data(), vecBytes.data(), vecValues.size() * sizeof(LONG));
    return vecValues;
}

SAFEARRAY* CreateLongArray(const std::vector<LONG>& vecValues)
{
    SAFEARRAY* psa = SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(vecValues.size()));
    if (psa != nullptr)
    {
        for (LONG i = 0; i < static_cast<LONG>(vecValues.size()); ++i)
            SafeArrayPutElement(psa, &i, const_cast<LONG*>(&vecValues[i]));
    }
    return psa;
}

STestLiveFrame WaitForLiveFrame(IKIVOCamera3* pCamera, DWORD nTimeoutMs)
{
    STestLiveFrame frame;
    const ULONGLONG nEnd = GetTickCount64() + nTimeoutMs;
    for (;;)
    {
        CTestArray array;
        frame.hr = pCamera->Get3DLivePicture(&array, &frame.nWidth, &frame.nHeight, &frame.nBytesPerPixel,
                                             &frame.nFormat);
        if (frame.hr != E_PENDING)
        {
            if (frame.hr == S_OK)
                frame.vecBytes = GetArrayBytes(array.Get(), VT_UI1);
            return frame;
        }
        EXPECT_EQ(nullptr, array.Get()) << "E_PENDING comes without a picture";
        if (GetTickCount64() >= nEnd)
            return frame;
        Sleep(2);
    }
}

void CSimTest::SetUp()
{
    KeepServer();
    m_pCamera = CreateCamera();
    ASSERT_TRUE(m_pCamera);
    ResetSharedCamera(m_pCamera.Get());
}

void CSimTest::TearDown()
{
    if (m_pCamera)
    {
        LONG nReleased = 0;
        m_pCamera->ReleaseCamera(&nReleased);
        m_pCamera->Close();
    }
    m_pCamera.Release();
}

void CSimTest::SetProp(tagEMVP eProp, LONG nValue)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = nValue;
    EXPECT_EQ(S_OK, m_pCamera->SetPropVariant(eProp, v)) << "property " << eProp;
}

LONG CSimTest::GetPropLong(tagEMVP eProp)
{
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(S_OK, m_pCamera->GetPropVariant(eProp, &v));
    EXPECT_EQ(VT_I4, V_VT(&v));
    const LONG nValue = V_VT(&v) == VT_I4 ? V_I4(&v) : -999999;
    VariantClear(&v);
    return nValue;
}

std::wstring CSimTest::GetPropText(tagEMVP eProp)
{
    CTestBstr bstr;
    EXPECT_EQ(S_OK, m_pCamera->GetPropValue(eProp, &bstr));
    return bstr.GetText();
}

tagEServerState CSimTest::GetState()
{
    tagEServerState eState = SERVERSTATE_FORCE_DWORD;
    EXPECT_EQ(S_OK, m_pCamera->GetServerState(&eState));
    return eState;
}

LONG CSimTest::GetErrorNumber()
{
    LONG nError = -1;
    EXPECT_EQ(S_OK, m_pCamera->GetError(&nError));
    return nError;
}

std::wstring CSimTest::GetErrorTextOf(IKIVOCamera3* pCamera)
{
    CTestBstr bstr;
    EXPECT_EQ(S_OK, pCamera->GetErrorText(&bstr));
    return bstr.GetText();
}

LONG CSimTest::Order(IKIVOCamera3* pCamera)
{
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(S_OK, pCamera->OrderCamera(&v));
    EXPECT_EQ(VT_I4, V_VT(&v));
    const LONG nResult = V_VT(&v) == VT_I4 ? V_I4(&v) : -1;
    VariantClear(&v);
    return nResult;
}

LONG CSimTest::ReleaseOrder(IKIVOCamera3* pCamera)
{
    LONG nResult = -1;
    EXPECT_EQ(S_OK, pCamera->ReleaseCamera(&nResult));
    return nResult;
}
