// Connecting to the camera server through real COM activation of the test server.
#include "KivoTestSupport.h"
#include "TestCameraServer.h"

namespace
{
class Connection : public ::testing::Test
{
protected:
    void SetUp() override { Script().Reset(); }
    void TearDown() override { Script().Reset(); }
    CTestCameraScript& Script() { return TestServer().Script(); }
};

APTTYPE ApartmentOfThisThread(HRESULT* phr = nullptr)
{
    APTTYPE eType = APTTYPE_CURRENT;
    APTTYPEQUALIFIER eQualifier;
    HRESULT hr = CoGetApartmentType(&eType, &eQualifier);
    if (phr)
        *phr = hr;
    return eType;
}
}

TEST_F(Connection, NewClientIsUnconnected)
{
    CTestableClient client;
    EXPECT_EQ(0, client.IsConnected());
    EXPECT_EQ(CKIVOClient::EINTERFACE_DEFAULT, client.GetStoredInterface());
    EXPECT_EQ(0, client.CountThreadEntries());
}

TEST_F(Connection, ConnectMakesTheConnectingThreadAttached)
{
    CTestableClient client;
    client.Connect();
    EXPECT_EQ(1, client.IsConnected());
    EXPECT_EQ(CKIVOClient::EINTERFACE_DEFAULT, client.GetStoredInterface());
    EXPECT_EQ(1, client.CountThreadEntries());

    IKIVOCamera* pCamera = client.GetICamera();
    ASSERT_NE(nullptr, pCamera);
    tagEServerState eState = SERVERSTATE_ERROR;
    Script().SetServerState(SERVERSTATE_OPENED);
    EXPECT_EQ(S_OK, pCamera->GetServerState(&eState));
    EXPECT_EQ(SERVERSTATE_OPENED, eState);

    // The call arrived through a proxy on one of the server's own threads.
    std::vector<CTestCall> calls = Script().GetCalls();
    ASSERT_FALSE(calls.empty());
    EXPECT_NE(GetCurrentThreadId(), calls.back().dwServerThreadId);
    client.Disconnect();
}

// The process id goes to a server that offers the second interface; neither its
// absence nor a failed registration keeps the client from connecting.
TEST_F(Connection, ConnectRegistersTheProcessIdWhereTheServerCan)
{
    const struct
    {
        bool bCamera2;
        HRESULT hrRegister;
        size_t nRegistrations;
    } cases[] = { { true, S_OK, 1 }, { false, S_OK, 0 }, { true, E_FAIL, 1 } };
    for (const auto& c : cases)
    {
        Script().Reset();
        Script().SetOffers(c.bCamera2, true);
        Script().SetResult("RegisterClientProcess", c.hrRegister);
        CTestableClient client;
        client.Connect(CKIVOClient::EINTERFACE_SERVICE);
        EXPECT_EQ(1, client.IsConnected());
        EXPECT_EQ(CKIVOClient::EINTERFACE_SERVICE, client.GetStoredInterface());
        std::vector<CTestCall> calls = Script().GetCalls();
        ASSERT_EQ(c.nRegistrations, calls.size());
        if (c.nRegistrations == 1)
        {
            EXPECT_EQ("RegisterClientProcess", calls[0].strMethod);
            EXPECT_EQ(static_cast<long>(GetCurrentProcessId()), calls[0].nValue);
        }
        client.Disconnect();
    }
}

TEST_F(Connection, ServerObjectThatCannotBeCreatedFailsWithConnect)
{
    Script().SetCreateResult(E_OUTOFMEMORY);
    CTestableClient client;
    EXPECT_TRUE(ThrowsKivoError([&] { client.Connect(CKIVOClient::EINTERFACE_MEASUREMENT); },
                                CEXC_NO_INTERFACE, L"Connect"));
    EXPECT_EQ(0, client.IsConnected());
    EXPECT_EQ(0, client.CountThreadEntries());
    // The value is stored before anything can fail.
    EXPECT_EQ(CKIVOClient::EINTERFACE_MEASUREMENT, client.GetStoredInterface());

    // The lock was released on the way out: another thread gets its own error.
    CTestWorker worker;
    worker.Run([&] {
        EXPECT_TRUE(ThrowsKivoError([&] { client.ThreadAttach(); },
                                    CEXC_NO_INTERFACE, L"AtlUnmarshalPtr failed"));
        CoUninitialize();
    });
}

// Disconnect drops only the calling thread's entry; threads attach and work
// after it, also after the threads before them ended, and once the client is
// gone no server object is referenced any more (a replaced first connection
// included).
TEST_F(Connection, DisconnectDropsOnlyTheCallingThreadsEntryAndTheClientGivesBackEverything)
{
    const LONG nBefore = Script().GetObjectCount();
    {
        CTestableClient client;
        client.Connect();
        client.Connect();
        CTestWorker worker;
        worker.Run([&] { client.ThreadAttach(); });
        for (int i = 0; i < 5; ++i)
            CTestWorker().Run([&] {   // each thread ends after its detach
                client.ThreadAttach();
                client.ThreadDetach();
            });

        client.Disconnect();
        EXPECT_EQ(1, client.IsConnected());
        EXPECT_TRUE(ThrowsKivoError([&] { client.GetICamera(); }, CEXC_NO_INTERFACE,
                                    L"No Interface for thread"));
        // Nothing left to drop: a second Disconnect changes nothing.
        client.Disconnect();
        EXPECT_EQ(1, client.CountThreadEntries());

        auto fnCallAndDetach = [&] {
            tagEServerState eState;
            EXPECT_EQ(S_OK, client.GetICamera()->GetServerState(&eState));
            client.ThreadDetach();
        };
        worker.Run(fnCallAndDetach);
        CTestWorker().Run([&] {
            client.ThreadAttach();
            fnCallAndDetach();
        });
        EXPECT_EQ(0, client.CountThreadEntries());
    }
    // References are given back asynchronously; none may stay.
    EXPECT_TRUE(PumpUntil([&] { return Script().GetObjectCount() == nBefore; }))
        << Script().GetObjectCount() - nBefore << " server objects still referenced";
}

TEST_F(Connection, DisconnectDoesNotUninitialiseCom)
{
    CTestableClient client;
    client.Connect();
    client.Disconnect();
    HRESULT hr;
    EXPECT_EQ(APTTYPE_MAINSTA, ApartmentOfThisThread(&hr));
    EXPECT_EQ(S_OK, hr);
}

TEST_F(Connection, DisconnectWithoutEntryDoesNothing)
{
    CTestableClient client;
    client.Disconnect();
    EXPECT_EQ(0, client.IsConnected());
}

TEST_F(Connection, ConnectedThreadCanAskForTheNewestInterface)
{
    CTestableClient client;
    client.Connect();
    IKIVOCamera3* pCamera3 = client.GetICamera3();
    ASSERT_NE(nullptr, pCamera3);
    SAFEARRAY* psa = nullptr;
    ULONG nWidth = 0, nHeight = 0;
    long nBytes = 0, nFormat = 0;
    EXPECT_EQ(S_OK, pCamera3->Get3DLivePicture(&psa, &nWidth, &nHeight, &nBytes, &nFormat));
    if (psa)
        SafeArrayDestroy(psa);
    pCamera3->Release();
    client.Disconnect();
}

TEST_F(Connection, OldServerGivesNoNewestInterface)
{
    Script().SetOffers(true, false);
    CTestableClient client;
    client.Connect();
    EXPECT_EQ(nullptr, client.GetICamera3());
    client.Disconnect();
}

TEST_F(Connection, GetICamera3OnUnattachedThreadFailsLikeGetICamera)
{
    CTestableClient client;
    client.Connect();
    CTestWorker worker;
    worker.Run([&] {
        EXPECT_TRUE(ThrowsKivoError([&] { client.GetICamera3(); }, CEXC_NO_INTERFACE,
                                    L"No Interface for thread"));
    });
    client.Disconnect();
}
