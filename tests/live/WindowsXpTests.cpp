// The client on a system below Windows 6: Wine reports Windows XP to this
// program (set for it by the test run), so the registry switch decides
// whether the client draws the live picture.
#include "LiveTestFixture.h"

TEST(OldWindows, OnlyTheRegistrySwitchLetsTheClientDrawTheLivePicture)
{
    EXPECT_FALSE(Kivo::IsWindowsVistaOrLater());
    CTestCameraScript& script = TestServer().Script();
    DeleteConfiguration();
    script.Reset();
    {
        CTestableClient client;
        EXPECT_EQ(nullptr, CKIVOClientThreadTestAccess::Client(client.Worker()));
        client.Connect();
        script.Reset();
        client.Init();
        EXPECT_EQ((std::vector<std::string>{ "Init" }), script.GetMethods());   // the bit is not set

        HWND hWnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
        script.SetIntProp(LIVEWINDOW, static_cast<long>(reinterpret_cast<INT_PTR>(hWnd)));
        script.SetIntProp(CONTROLFLAGS, KIVO_CLIENT_DRAWN_LIVE);
        client.SetPropValueInt(LIVEDISPLAY, 1);
        client.Start(1);
        EXPECT_EQ(nullptr, client.Worker().GetThreadHandle());
        EXPECT_EQ(1u, script.CountCalls("Start"));
        EXPECT_FALSE(client.Worker().StartThread(FALSE));
        DestroyWindow(hWnd);
        client.Stop(0);
        client.Disconnect();
    }
    const DWORD dwOn = 1;
    WriteConfiguration(L"KivoClientWaitForImageXP", REG_DWORD, &dwOn, 4);
    script.Reset();
    CTestableClient client;
    EXPECT_EQ(&client, CKIVOClientThreadTestAccess::Client(client.Worker()));
    client.Connect();
    client.Init();
    EXPECT_EQ(KIVO_CLIENT_DRAWN_LIVE, script.GetIntProp(CONTROLFLAGS));
    client.Disconnect();
    DeleteConfiguration();
    script.Reset();
}
