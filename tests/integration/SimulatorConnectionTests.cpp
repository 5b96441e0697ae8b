// Connecting to the camera simulator through local-server activation.
#include "KivoTestSupport.h"

TEST(SimulatorConnection, ConnectAndCallFromASecondAttachedThread)
{
    CTestableClient client;
    client.Connect();
    ASSERT_EQ(1, client.IsConnected());
    EXPECT_EQ(SERVERSTATE_CLOSED, client.GetServerState());

    CTestWorker worker;
    worker.Run([&] {
        client.ThreadAttach();
        EXPECT_NE(client.GetICamera(), nullptr);
        EXPECT_EQ(SERVERSTATE_CLOSED, client.GetServerState());
        IKIVOCamera3* pCamera3 = client.GetICamera3();
        EXPECT_NE(nullptr, pCamera3);
        if (pCamera3)
            pCamera3->Release();
        client.ThreadDetach();
    });
    client.Disconnect();
}

TEST(SimulatorConnection, FailingServerCallsAreMapped)
{
    CTestableClient client;
    client.Connect();
    // The simulator refuses to initialise a closed camera with its own code.
    EXPECT_TRUE(ThrowsKivoError([&] { client.Init(); }, CEXC_CALL_FAILED, L"Init:0x80040201"));
    EXPECT_TRUE(ThrowsKivoError([&] { client.AllocPicture(-1); }, CEXC_INVALID_ARGUMENT, L"AllocPicture"));
    CString strText;
    EXPECT_NE(0, client.GetError(&strText));
    EXPECT_FALSE(strText.IsEmpty());
    client.ClearError();
    EXPECT_EQ(0, client.GetError(nullptr));
    client.Disconnect();
}

TEST(SimulatorConnection, MultithreadedThreadKeepsItsApartment)
{
    CTestableClient client;
    client.Connect();
    CTestWorker worker;
    worker.Run([&] {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        client.ThreadAttach();
        EXPECT_EQ(SERVERSTATE_CLOSED, client.GetServerState());
        client.ThreadDetach();
        EXPECT_EQ(1, client.CountThreadEntries());
        APTTYPE eType = APTTYPE_STA;
        APTTYPEQUALIFIER eQualifier;
        EXPECT_EQ(S_OK, CoGetApartmentType(&eType, &eQualifier));
        EXPECT_EQ(APTTYPE_MTA, eType);
        EXPECT_EQ(APTTYPEQUALIFIER_NONE, eQualifier);
        CoUninitialize();
    });
    client.Disconnect();
}
