// Connecting to the camera simulator through local-server activation.
#include "KivoTestSupport.h"

// A second attached thread calls through its own proxy and gets the newest
// interface; the simulator's own failures are mapped.
TEST(SimulatorConnection, ConnectCallFromASecondThreadAndMapFailures)
{
    CTestableClient client;
    client.Connect();
    CTestWorker().Run([&] {
        client.ThreadAttach();
        EXPECT_EQ(SERVERSTATE_CLOSED, client.GetServerState());
        IKIVOCamera3* pCamera3 = client.GetICamera3();
        EXPECT_NE(nullptr, pCamera3);
        if (pCamera3)
            pCamera3->Release();
        client.ThreadDetach();
    });
    // The simulator refuses to initialise a closed camera with its own code.
    EXPECT_TRUE(ThrowsKivoError([&] { client.Init(); }, CEXC_CALL_FAILED, L"Init:0x80040201"));
    EXPECT_TRUE(ThrowsKivoError([&] { client.AllocPicture(-1); }, CEXC_INVALID_ARGUMENT, L"AllocPicture"));
    client.Disconnect();
}

// A thread the application made a multithreaded apartment keeps it through
// its attach and detach.
TEST(SimulatorConnection, MultithreadedThreadKeepsItsApartment)
{
    CTestableClient client;
    client.Connect();
    CTestWorker().Run([&] {
        ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        client.ThreadAttach();
        EXPECT_EQ(SERVERSTATE_CLOSED, client.GetServerState());
        client.ThreadDetach();
        EXPECT_EQ(1, client.CountThreadEntries());
        APTTYPE eType = APTTYPE_STA;
        APTTYPEQUALIFIER eQualifier;
        EXPECT_EQ(S_OK, CoGetApartmentType(&eType, &eQualifier));
        EXPECT_EQ(APTTYPE_MTA, eType);
        CoUninitialize();
    });
    client.Disconnect();
}
