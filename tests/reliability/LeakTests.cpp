// Every camera member, failing or not, gives back all the task memory it and
// the marshallers took: BSTRs, VARIANTs and SAFEARRAYs included.
#include "../camera/CameraMembers.h"
#include "../camera/CameraTestFixture.h"
#include "TestMallocSpy.h"

namespace
{
class Leaks : public CameraTest
{
protected:
    // Returns how many VARIANTs were passed to the server by value.
    size_t RunMatrix()
    {
        size_t nVariantCalls = 0;
        CTestPicture picture;
        picture.bytes.assign(64, 7);
        for (const CMember& member : Members())
        {
            std::vector<HRESULT> results = { S_OK, S_FALSE };
            for (const CFailureClass& failure : FailureClasses())
                results.push_back(failure.hr);
            for (HRESULT hr : results)
            {
                Script().Reset();
                Script().SetPicture(picture);
                Script().SetTable(true, { 1, 2, 3 });
                Script().SetTable(false, { 4, 5 });
                if (member.fnPrepare)
                    member.fnPrepare(m_client);
                Script().SetResult(member.pszMethod, hr);
                try
                {
                    member.fnCall(m_client);
                }
                catch (CException* pException)
                {
                    pException->Delete();
                }
                nVariantCalls += Script().CountCalls("SetPropVariant");
            }
        }
        // Text where a number was expected: read within bounds, cleared.
        Script().Reset();
        Script().SetVariantText(true);
        for (int i = 0; i < 20; ++i)
            m_client.GetPropValueInt(static_cast<tagEMVP>(300 + i));
        Script().SetVariantText(false);
        return nVariantCalls;
    }

    // Frees of the server's side may come a moment after the call returned.
    LONG SettledCount(const CTestMallocSpy& spy, LONG nTarget)
    {
        for (int i = 0; i < 100 && spy.Living() > nTarget; ++i)
            Sleep(20);
        return spy.Living();
    }
};
}

// Wine's marshaller keeps one task allocation for every VARIANT passed by
// value (SetPropVariant); measured here with bare calls, it is the platform's
// and not counted against the client.
LONG MeasurePlatformLeakPerVariantCall(IKIVOCamera* pCamera, const CTestMallocSpy& spy)
{
    VARIANT var;
    VariantInit(&var);
    var.vt = VT_I4;
    var.lVal = 5;
    pCamera->SetPropVariant(static_cast<tagEMVP>(12), var);
    LONG nBefore = spy.Living();
    for (int i = 0; i < 10; ++i)
        pCamera->SetPropVariant(static_cast<tagEMVP>(12), var);
    Sleep(100);
    return (spy.Living() - nBefore + 5) / 10;
}

TEST_F(Leaks, FaultMatrixGivesBackAllTaskMemory)
{
    CTestMallocSpy& spy = CTestMallocSpy::ForProcess();
    const LONG nPlatformLeak = MeasurePlatformLeakPerVariantCall(m_client.GetICamera(), spy);
    RunMatrix();   // warm-up: proxies and marshalling buffers made once
    const LONG nAfterWarmUp = spy.Living();
    size_t nVariantCalls = 0;
    for (int i = 0; i < 3; ++i)
        nVariantCalls += RunMatrix();
    const LONG nAllowed = nAfterWarmUp + nPlatformLeak * static_cast<LONG>(nVariantCalls);
    EXPECT_LE(SettledCount(spy, nAllowed), nAllowed) << "platform leak per variant call: " << nPlatformLeak;
}

// A thread that never attached gets "No Interface for thread" from every member
// before any server call, and nothing the member made before it found that out
// (a string for the server, say) stays behind.
TEST_F(Leaks, UnattachedThreadHasNoInterfaceAndLeavesNoTaskMemory)
{
    CTestMallocSpy& spy = CTestMallocSpy::ForProcess();
    m_client.OrderCamera();   // so that ReleaseCamera has a server call to make
    Script().Reset();
    CTestWorker worker;
    auto fnRunAll = [&] {
        for (const CMember& member : Members())
            EXPECT_TRUE(ThrowsKivoError([&] { member.fnCall(m_client); }, CEXC_NO_INTERFACE,
                                        L"No Interface for thread"))
                << member.pszMethod;
        EXPECT_TRUE(ThrowsKivoError([&] { m_client.Open(0); }, CEXC_NO_INTERFACE, L"No Interface for thread"));
    };
    worker.Run(fnRunAll);   // warm-up
    const LONG nBefore = spy.Living();
    for (int i = 0; i < 10; ++i)
        worker.Run(fnRunAll);
    EXPECT_LE(SettledCount(spy, nBefore), nBefore);
    EXPECT_TRUE(Methods().empty());
}
