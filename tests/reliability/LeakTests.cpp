// Every camera member with every result of its server call: success codes
// pass, each failure class gives its number and text, and all the task memory
// the member and the marshallers took (BSTRs, VARIANTs, SAFEARRAYs) is given
// back, also by a member that finds its thread without an interface.
#include "CameraMembers.h"
#include "CameraTestFixture.h"
#include "TestMallocSpy.h"

namespace
{
// A result, the number it gives (0: none) and what follows the context text.
struct CResult
{
    HRESULT hr;
    CEXC_CAMERA_NUM eNumber;
    const wchar_t* pszSuffix;
};
const CResult s_aResults[] = {
    { S_OK, CEXC_CAMERA_NUM(0), L"" },
    { S_FALSE, CEXC_CAMERA_NUM(0), L"" },
    { E_ACCESSDENIED, CEXC_ACCESS_DENIED, L"" },
    { E_HANDLE, CEXC_INVALID_HANDLE, L"" },
    { E_OUTOFMEMORY, CEXC_OUT_OF_MEMORY, L"" },
    { E_INVALIDARG, CEXC_INVALID_ARGUMENT, L"" },
    { E_FAIL, CEXC_CALL_FAILED, L":0x80004005" },
    { static_cast<HRESULT>(0x800706BA), CEXC_CALL_FAILED, L":0x800706ba" },
};

// Frees of the server's side may come a moment after the call returned.
LONG SettledCount(const CTestMallocSpy& spy, LONG nTarget)
{
    for (int i = 0; i < 100 && spy.Living() > nTarget; ++i)
        Sleep(20);
    return spy.Living();
}
}

TEST_F(CameraTest, EveryMemberWithEveryResultReportsItAndGivesBackAllTaskMemory)
{
    CTestMallocSpy& spy = CTestMallocSpy::ForProcess();
    CTestPicture picture;
    picture.bytes.assign(64, 7);
    size_t nVariantCalls = 0;
    CTestWorker unattached;
    auto fnRunAll = [&] {
        for (const CMember& member : Members())
            for (const CResult& result : s_aResults)
            {
                SCOPED_TRACE(::testing::Message() << member.pszMethod << " with 0x" << std::hex << result.hr);
                Script().Reset();
                Script().SetPicture(picture);
                Script().SetTable(true, { 1, 2, 3 });
                Script().SetTable(false, { 4, 5 });
                m_client.ReleaseCamera();   // so that OrderCamera asks the server
                Script().SetResult(member.pszMethod, result.hr);
                if (result.eNumber == 0)
                    EXPECT_NO_THROW(member.fnCall(m_client));
                else
                    EXPECT_TRUE(ThrowsKivoError([&] { member.fnCall(m_client); }, result.eNumber,
                                                std::wstring(member.pszFailText) + result.pszSuffix));
                nVariantCalls += Script().CountCalls("SetPropVariant");
            }
        Script().Reset();
        m_client.OrderCamera();   // so that ReleaseCamera has a server call to make
        Script().ClearCalls();
        unattached.Run([&] {
            for (const CMember& member : Members())
                EXPECT_TRUE(
                    ThrowsKivoError([&] { member.fnCall(m_client); }, CEXC_NO_INTERFACE, L"No Interface for thread"))
                    << member.pszMethod;
            EXPECT_TRUE(ThrowsKivoError([&] { m_client.Open(0); }, CEXC_NO_INTERFACE, L"No Interface for thread"));
        });
        EXPECT_TRUE(Script().GetMethods().empty());
        Script().SetVariantText(true);   // text where a number was expected: read within bounds, cleared
        for (int i = 0; i < 20; ++i)
            m_client.GetPropValueInt(static_cast<tagEMVP>(300 + i));
        Script().SetVariantText(false);
    };
    // Wine's marshaller keeps one task allocation for every VARIANT passed by
    // value (SetPropVariant); measured with bare calls, it is the platform's.
    VARIANT var;
    VariantInit(&var);
    var.vt = VT_I4;
    m_client.GetICamera()->SetPropVariant(static_cast<tagEMVP>(12), var);
    const LONG nBare = spy.Living();
    for (int i = 0; i < 10; ++i)
        m_client.GetICamera()->SetPropVariant(static_cast<tagEMVP>(12), var);
    Sleep(100);
    const LONG nPlatformLeak = (spy.Living() - nBare + 5) / 10;

    fnRunAll();   // warm-up: proxies and marshalling buffers made once
    const LONG nAfterWarmUp = spy.Living();
    nVariantCalls = 0;
    for (int i = 0; i < 3; ++i)
        fnRunAll();
    const LONG nAllowed = nAfterWarmUp + nPlatformLeak * static_cast<LONG>(nVariantCalls);
    EXPECT_LE(SettledCount(spy, nAllowed), nAllowed) << "platform leak per variant call: " << nPlatformLeak;
}
