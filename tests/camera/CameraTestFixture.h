// CameraTestFixture.h: a connected client and the test server's script.
#pragma once

#include "KivoTestSupport.h"
#include "TestCameraServer.h"

class CameraTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Script().Reset();
        m_client.Connect();
        Script().Reset();   // forget the connection's own calls
    }
    void TearDown() override
    {
        Script().Reset();
        EXPECT_NO_THROW(m_client.Stop(0));
        m_client.Disconnect();
    }
    CTestCameraScript& Script() { return TestServer().Script(); }

    // Methods the server saw since the last reset, except the registration.
    std::vector<std::string> Methods() { return Script().GetMethods(); }

    CTestableClient m_client;
};

// The failure classes every camera member maps, and the number each gives.
struct CFailureClass
{
    HRESULT hr;
    CEXC_CAMERA_NUM eNumber;
    bool bHexSuffix;
};

inline const std::vector<CFailureClass>& FailureClasses()
{
    static const std::vector<CFailureClass> classes = {
        { E_ACCESSDENIED, CEXC_ACCESS_DENIED, false },
        { E_HANDLE, CEXC_INVALID_HANDLE, false },
        { E_OUTOFMEMORY, CEXC_OUT_OF_MEMORY, false },
        { E_INVALIDARG, CEXC_INVALID_ARGUMENT, false },
        { E_FAIL, CEXC_CALL_FAILED, true },
        { static_cast<HRESULT>(0x800706BA), CEXC_CALL_FAILED, true },
    };
    return classes;
}

inline std::wstring ExpectedText(const std::wstring& strContext, const CFailureClass& failure)
{
    if (!failure.bHexSuffix)
        return strContext;
    wchar_t szHex[16];
    swprintf(szHex, 16, L":0x%08lx", static_cast<unsigned long>(failure.hr));
    return strContext + szHex;
}
