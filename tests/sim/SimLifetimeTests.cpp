// When the server process ends: after the last release, after the crash of
// every announced client, and what a new server starts with.
#include "SimTestSupport.h"

#include <string>

namespace
{
const DWORD g_nExitTimeoutMs = 20000;

// Lets every simulator end and waits for it; then the next activation starts
// a new server.
void ReleaseEverything()
{
    ReleaseKeptServer();
    EXPECT_TRUE(WaitForProcessesToEnd(FindSimulatorProcesses(), g_nExitTimeoutMs))
        << "a simulator kept running: does another test program hold a connection?";
}

// A client process (this program in its child mode) that connects, announces
// itself, orders the camera and on request ends without releasing anything.
class CCrashingClient
{
public:
    CCrashingClient() : m_hReady(nullptr), m_hGo(nullptr)
    {
        m_pi = {};
        m_strPrefix = "KivoSimTest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
        m_hReady = CreateEventA(nullptr, TRUE, FALSE, (m_strPrefix + "-ready").c_str());
        m_hGo = CreateEventA(nullptr, TRUE, FALSE, (m_strPrefix + "-go").c_str());
    }
    ~CCrashingClient()
    {
        if (m_pi.hProcess != nullptr)
        {
            SetEvent(m_hGo);
            if (WaitForSingleObject(m_pi.hProcess, 10000) != WAIT_OBJECT_0)
                TerminateProcess(m_pi.hProcess, 1);
            CloseHandle(m_pi.hProcess);
            CloseHandle(m_pi.hThread);
        }
        if (m_hReady != nullptr)
            CloseHandle(m_hReady);
        if (m_hGo != nullptr)
            CloseHandle(m_hGo);
    }
    CCrashingClient(const CCrashingClient&) = delete;
    CCrashingClient& operator=(const CCrashingClient&) = delete;

    // True once the child holds the camera order.
    bool Start()
    {
        if (m_hReady == nullptr || m_hGo == nullptr)
            return false;
        char szPath[MAX_PATH];
        if (GetModuleFileNameA(nullptr, szPath, MAX_PATH) == 0)
            return false;
        std::string strCommand = std::string("\"") + szPath + "\" " + g_szChildOption + " " + m_strPrefix;
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        if (!CreateProcessA(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi))
            return false;
        HANDLE ah[2] = { m_hReady, m_pi.hProcess };
        return WaitForMultipleObjects(2, ah, FALSE, 30000) == WAIT_OBJECT_0;
    }

    // Ends the child the hard way and waits until it is gone.
    bool Crash()
    {
        SetEvent(m_hGo);
        return WaitForSingleObject(m_pi.hProcess, 30000) == WAIT_OBJECT_0;
    }

private:
    std::string m_strPrefix;
    HANDLE m_hReady;
    HANDLE m_hGo;
    PROCESS_INFORMATION m_pi;
};

LONG OrderOf(IKIVOCamera3* pCamera)
{
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(S_OK, pCamera->OrderCamera(&v));
    return V_VT(&v) == VT_I4 ? V_I4(&v) : -1;
}
}

TEST(SimServerLifetime, EndsAfterTheLastReleaseAndRestartsWithDefaults)
{
    ReleaseEverything();

    CTestPtr<IKIVOCamera3> pCamera = CreateCamera();
    ASSERT_TRUE(pCamera);
    const std::vector<DWORD> vecServers = FindSimulatorProcesses();
    ASSERT_EQ(1u, vecServers.size());

    // A new server's camera: closed, no error, empty tables, the documented defaults.
    tagEServerState eState = SERVERSTATE_FORCE_DWORD;
    ASSERT_EQ(S_OK, pCamera->GetServerState(&eState));
    EXPECT_EQ(SERVERSTATE_CLOSED, eState);
    LONG nError = -1;
    ASSERT_EQ(S_OK, pCamera->GetError(&nError));
    EXPECT_EQ(0, nError);
    const struct { tagEMVP eProp; LONG nValue; } aDefaults[] = {
        { OWNER, 0 }, { CONTROLFLAGS, 0 }, { LIVEWIDTH, 640 }, { LIVEHEIGHT, 480 }, { LIVELEFT, 0 },
        { LIVETOP, 0 }, { LIMITEDSIZE, 0 }, { LIVEWINDOW, 0 }, { LIVECOLOR, 0x00FF00FF }, { LIVEDISPLAY, 1 },
        { PICTUREWIDTH, 640 }, { PICTUREHEIGHT, 480 }, { LIVEFORMAT, 1 }, { LIVEFRAMERATE, 25 },
    };
    for (const auto& def : aDefaults)
    {
        VARIANT v;
        VariantInit(&v);
        ASSERT_EQ(S_OK, pCamera->GetPropVariant(def.eProp, &v));
        EXPECT_EQ(VT_I4, V_VT(&v));
        EXPECT_EQ(def.nValue, V_I4(&v)) << "property " << def.eProp;
    }
    CTestBstr bstrColour;
    ASSERT_EQ(S_OK, pCamera->GetPropValue(LIVECOLOR, &bstrColour));
    EXPECT_EQ(L"16711935", bstrColour.GetText());
    CTestArray table;
    ASSERT_EQ(S_OK, pCamera->GetMeasureTab(&table));
    EXPECT_TRUE(GetArrayLongs(table.Get()).empty());
    ASSERT_EQ(S_OK, pCamera->GetSearchTab(&table));
    EXPECT_TRUE(GetArrayLongs(table.Get()).empty());

    // Leave a trace, then let the server go.
    ASSERT_EQ(S_OK, pCamera->Open());
    CTestPtr<IKIVOCamera3> pSecond = CreateCamera();
    ASSERT_TRUE(pSecond);
    pCamera.Release();
    // One connection keeps the server and its camera.
    pCamera = CreateCamera();
    ASSERT_TRUE(pCamera);
    ASSERT_EQ(S_OK, pCamera->GetServerState(&eState));
    EXPECT_EQ(SERVERSTATE_OPENED, eState);
    pCamera.Release();
    pSecond.Release();
    ASSERT_TRUE(WaitForProcessesToEnd(vecServers, g_nExitTimeoutMs)) << "server still running";

    // The next activation starts a new server with a new camera.
    pCamera = CreateCamera();
    ASSERT_TRUE(pCamera);
    ASSERT_EQ(S_OK, pCamera->GetServerState(&eState));
    EXPECT_EQ(SERVERSTATE_CLOSED, eState);
}

TEST(SimServerLifetime, CrashedClientGivesUpItsOrder)
{
    KeepServer();
    CTestPtr<IKIVOCamera3> pCamera = CreateCamera();
    ASSERT_TRUE(pCamera);

    CCrashingClient client;
    ASSERT_TRUE(client.Start()) << "the child client did not get the camera";
    EXPECT_EQ(0, OrderOf(pCamera.Get()));
    ASSERT_TRUE(client.Crash());

    LONG nOrdered = 0;
    for (int i = 0; i < 200 && nOrdered == 0; ++i)
    {
        nOrdered = OrderOf(pCamera.Get());
        if (nOrdered == 0)
            Sleep(100);
    }
    EXPECT_EQ(1, nOrdered) << "the order of the crashed client was not released";
    LONG nReleased = 0;
    EXPECT_EQ(S_OK, pCamera->ReleaseCamera(&nReleased));
}

TEST(SimServerLifetime, EndsWhenTheLastAnnouncedClientCrashes)
{
    // Whatever server runs, this test's connection becomes its only one.
    ReleaseKeptServer();
    CTestPtr<IKIVOCamera3> pCamera = CreateCamera();
    ASSERT_TRUE(pCamera);
    const std::vector<DWORD> vecServers = FindSimulatorProcesses();
    ASSERT_EQ(1u, vecServers.size());

    CCrashingClient client;
    ASSERT_TRUE(client.Start()) << "the child client did not get the camera";
    pCamera.Release();
    // The child's connection keeps the server: after more than the server's
    // shutdown delay a new connection meets the same camera, still ordered
    // by the child. (The wait only gives a faulty server time to end.)
    Sleep(1500);
    pCamera = CreateCamera();
    ASSERT_TRUE(pCamera);
    EXPECT_EQ(0, OrderOf(pCamera.Get()));
    EXPECT_EQ(vecServers, FindSimulatorProcesses());
    pCamera.Release();

    ASSERT_TRUE(client.Crash());
    EXPECT_TRUE(WaitForProcessesToEnd(vecServers, g_nExitTimeoutMs))
        << "the server outlived its only, crashed, client";
}
