// The client on a system below Windows 6: Wine reports Windows XP to this
// program (set for it by the test run), so the registry switch decides.
#include "KivoTestSupport.h"
#include "TestCameraServer.h"
#include "KivoConfiguration.h"

namespace
{
class OldWindows : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Script().Reset();
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, KIVO_CONFIGURATION_KEY);
    }
    void TearDown() override
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, KIVO_CONFIGURATION_KEY);
        Script().Reset();
    }
    CTestCameraScript& Script() { return TestServer().Script(); }

    static void AllowClientDrawnLive()
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, KIVO_CONFIGURATION_KEY, 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &hKey, nullptr));
        DWORD dwOn = 1;
        RegSetValueExW(hKey, L"KivoClientWaitForImageXP", 0, REG_DWORD, reinterpret_cast<BYTE*>(&dwOn), 4);
        RegCloseKey(hKey);
    }
};
}

TEST_F(OldWindows, PlatformCheckFails)
{
    EXPECT_FALSE(IsWindowsVistaOrLater());
}

TEST_F(OldWindows, WithoutTheSwitchTheClientNeverDrawsTheLivePicture)
{
    CTestableClient client;
    EXPECT_EQ(nullptr, client.Worker().m_pClient);
    client.Connect();
    Script().Reset();

    client.Init();
    EXPECT_EQ((std::vector<std::string>{ "Init" }), Script().GetMethods());

    HWND hWnd = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 8, 8, nullptr, nullptr, nullptr, nullptr);
    Script().SetIntProp(LIVEWINDOW, static_cast<long>(reinterpret_cast<INT_PTR>(hWnd)));
    Script().SetIntProp(CONTROLFLAGS, KIVO_CLIENT_DRAWN_LIVE);
    client.SetPropValueInt(LIVEDISPLAY, 1);
    client.Start(1);
    EXPECT_EQ(nullptr, client.Worker().m_hThread);
    EXPECT_EQ(1u, Script().CountCalls("Start"));
    EXPECT_FALSE(client.Worker().StartThread(FALSE));
    DestroyWindow(hWnd);

    // The getters still answer from the copy when the server's bit is set; the
    // setters neither keep nor cap without an owner.
    client.Worker().SetCachedLiveSize(LIVEWIDTH, 321);
    Script().SetIntProp(LIMITEDSIZE, 1);
    EXPECT_EQ(321, client.GetPropValueInt(LIVEWIDTH));
    client.SetPropValueInt(LIVEWIDTH, 800);
    EXPECT_EQ(800, Script().GetIntProp(LIVEWIDTH));
    EXPECT_EQ(321, client.CachedLiveSize(LIVEWIDTH));
    client.Stop(0);
    client.Disconnect();
}

TEST_F(OldWindows, TheSwitchAllowsTheClientDrawnLivePicture)
{
    AllowClientDrawnLive();
    CTestableClient client;
    EXPECT_EQ(&client, client.Worker().m_pClient);
    client.Connect();
    client.Init();
    EXPECT_EQ(KIVO_CLIENT_DRAWN_LIVE, Script().GetIntProp(CONTROLFLAGS));
    client.Disconnect();
}
