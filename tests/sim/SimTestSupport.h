// Helpers for the tests that talk to the registered camera simulator through
// real local-server activation.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "KivoCamera.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// COM in the multithreaded apartment for one thread.
class CTestComScope
{
public:
    CTestComScope() : m_hr(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}
    ~CTestComScope()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CTestComScope(const CTestComScope&) = delete;
    CTestComScope& operator=(const CTestComScope&) = delete;
    HRESULT GetResult() const { return m_hr; }

private:
    HRESULT m_hr;
};

// Minimal owning interface pointer.
template <class T>
class CTestPtr
{
public:
    CTestPtr() : m_p(nullptr) {}
    CTestPtr(const CTestPtr&) = delete;
    CTestPtr& operator=(const CTestPtr&) = delete;
    CTestPtr(CTestPtr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    CTestPtr& operator=(CTestPtr&& other) noexcept
    {
        if (this != std::addressof(other))
        {
            Release();
            m_p = other.m_p;
            other.m_p = nullptr;
        }
        return *this;
    }
    ~CTestPtr() { Release(); }

    void Release()
    {
        if (m_p != nullptr)
        {
            T* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }
    T** operator&() { Release(); return &m_p; }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    template <class U>
    HRESULT As(REFIID riid, CTestPtr<U>& other) const
    {
        return m_p->QueryInterface(riid, reinterpret_cast<void**>(&other));
    }

private:
    T* m_p;
};

// Owning BSTR.
class CTestBstr
{
public:
    CTestBstr() : m_bstr(nullptr) {}
    explicit CTestBstr(const wchar_t* psz) : m_bstr(SysAllocString(psz)) {}
    ~CTestBstr() { SysFreeString(m_bstr); }
    CTestBstr(const CTestBstr&) = delete;
    CTestBstr& operator=(const CTestBstr&) = delete;
    BSTR* operator&() { SysFreeString(m_bstr); m_bstr = nullptr; return &m_bstr; }
    BSTR Get() const { return m_bstr; }
    std::wstring GetText() const { return m_bstr ? std::wstring(m_bstr, SysStringLen(m_bstr)) : std::wstring(); }

private:
    BSTR m_bstr;
};

// Owning SAFEARRAY.
class CTestArray
{
public:
    CTestArray() : m_psa(nullptr) {}
    explicit CTestArray(SAFEARRAY* psa) : m_psa(psa) {}
    ~CTestArray() { Destroy(); }
    CTestArray(const CTestArray&) = delete;
    CTestArray& operator=(const CTestArray&) = delete;
    SAFEARRAY** operator&() { Destroy(); return &m_psa; }
    SAFEARRAY* Get() const { return m_psa; }
    void Destroy()
    {
        if (m_psa != nullptr)
            SafeArrayDestroy(m_psa);
        m_psa = nullptr;
    }

private:
    SAFEARRAY* m_psa;
};

// MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + n) as the simulator returns it.
constexpr HRESULT SimErrorHr(int n)
{
    return static_cast<HRESULT>(0x80040200u + static_cast<unsigned>(n));
}

// A new connection through local-server activation; fails the test otherwise.
CTestPtr<IKIVOCamera3> CreateCamera();

// One connection held by the test program between tests, so that the server
// is not restarted (a second each under Wine) for every test.
void KeepServer();
void ReleaseKeptServer();

// Puts the shared camera back as a test expects to find it: closed, no
// error, the simulator's own properties at their defaults.
void ResetSharedCamera(IKIVOCamera3* pCamera);

// Process ids of the running simulator processes.
std::vector<DWORD> FindSimulatorProcesses();
// True when none of dwProcessIds runs any more within nTimeoutMs.
bool WaitForProcessesToEnd(const std::vector<DWORD>& vecProcessIds, DWORD nTimeoutMs);

// The elements of a one-dimensional array with lower bound 0 and element type
// vt; adds a failure and gives nothing otherwise.
std::vector<BYTE> GetArrayBytes(SAFEARRAY* psa, VARTYPE vt);
std::vector<LONG> GetArrayLongs(SAFEARRAY* psa);
SAFEARRAY* CreateLongArray(const std::vector<LONG>& vecValues);

// Polls Get3DLivePicture until a frame comes (S_OK) or nTimeoutMs passed;
// gives the last result.
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

// Test fixture: a fresh connection to a kept server with the camera reset.
class CSimTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    void SetProp(tagEMVP eProp, LONG nValue);
    LONG GetPropLong(tagEMVP eProp);
    std::wstring GetPropText(tagEMVP eProp);
    tagEServerState GetState();
    LONG GetErrorNumber();
    std::wstring GetErrorTextOf(IKIVOCamera3* pCamera);
    LONG Order(IKIVOCamera3* pCamera);
    LONG ReleaseOrder(IKIVOCamera3* pCamera);

    CTestPtr<IKIVOCamera3> m_pCamera;
};

// Arguments of the child-process mode of the test program.
extern const char g_szChildOption[];
int RunChildClient(const char* pszEventPrefix);
