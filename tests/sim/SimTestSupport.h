// Helpers for the tests that talk to the registered camera simulator through
// real local-server activation.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "KivoCamera.h"
#include "KivoBstrTraits.h"
#include "KivoComPtr.h"
#include "KivoSafeArray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A BSTR of the text given (none for null).
class CTestBstr : public CKIVOUniqueResource<CKIVOBstrTraits>
{
public:
    explicit CTestBstr(const wchar_t* psz = nullptr)
        : CKIVOUniqueResource<CKIVOBstrTraits>(psz ? SysAllocString(psz) : nullptr)
    {
    }
    std::wstring GetText() const { return !IsNull() ? std::wstring(Get(), SysStringLen(Get())) : std::wstring(); }
};

using CTestArray = CKIVOUniqueResource<CKIVOSafeArrayTraits>;

// MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + n) as the simulator returns it.
constexpr HRESULT SimErrorHr(int n)
{
    return static_cast<HRESULT>(0x80040200u + static_cast<unsigned>(n));
}

// A new connection through local-server activation; fails the test otherwise.
void CreateCamera(CKIVOComPtr<IKIVOCamera3>& pCamera);
// One connection held between tests, so that the server is not restarted (a
// second each under Wine) for every test.
void ReleaseKeptServer();

// The bytes of a one-dimensional array with lower bound 0 and element type vt;
// adds a failure and gives nothing otherwise.
std::vector<BYTE> GetArrayBytes(SAFEARRAY* psa, VARTYPE vt);
std::vector<LONG> GetArrayLongs(SAFEARRAY* psa);
SAFEARRAY* CreateLongArray(const std::vector<LONG>& vecValues);

// Polls Get3DLivePicture until a frame comes or nTimeoutMs passed.
struct STestLiveFrame
{
    HRESULT hr = E_FAIL;
    std::vector<BYTE> vecBytes;
    ULONG nWidth = 0;
    ULONG nHeight = 0;
    LONG nBytesPerPixel = 0;
    LONG nFormat = 0;
};
STestLiveFrame WaitForLiveFrame(IKIVOCamera3* pCamera, DWORD nTimeoutMs);

LONG GetPropLongOf(IKIVOCamera3* pCamera, tagEMVP eProp);
LONG OrderOf(IKIVOCamera3* pCamera);
tagEServerState StateOf(IKIVOCamera3* pCamera);

// Test fixture: a fresh connection to a kept server, the camera closed,
// without error and with the simulator's own properties at their defaults.
class CSimTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void SetProp(tagEMVP eProp, LONG nValue);
    LONG GetPropLong(tagEMVP eProp) { return GetPropLongOf(m_pCamera.Get(), eProp); }
    std::wstring GetPropText(tagEMVP eProp);
    LONG GetErrorNumber();
    std::wstring GetErrorText();

    CKIVOComPtr<IKIVOCamera3> m_pCamera;
};

// The child-process mode of the test program: a client that crashes.
extern const char g_szChildOption[];
