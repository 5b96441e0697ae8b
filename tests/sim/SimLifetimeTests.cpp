// When the server process ends, and what a new server starts with.
#include "SimTestSupport.h"

#include "KivoHandle.h"

#include <tlhelp32.h>

#include <string>

namespace
{
const DWORD g_nExitTimeoutMs = 20000;

std::vector<DWORD> FindSimulatorProcesses()
{
    std::vector<DWORD> vecIds;
    CKIVOHandle hSnapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL b = Process32FirstW(hSnapshot.Get(), &entry); b; b = Process32NextW(hSnapshot.Get(), &entry))
        if (lstrcmpiW(entry.szExeFile, L"KivoCameraSim.exe") == 0)
            vecIds.push_back(entry.th32ProcessID);
    return vecIds;
}

bool WaitForProcessesToEnd(const std::vector<DWORD>& vecProcessIds)
{
    const ULONGLONG nEnd = GetTickCount64() + g_nExitTimeoutMs;
    for (DWORD dwId : vecProcessIds)
    {
        CKIVOHandle hProcess(OpenProcess(SYNCHRONIZE, FALSE, dwId));
        const ULONGLONG nNow = GetTickCount64();
        if (hProcess.Get() != nullptr
            && WaitForSingleObject(hProcess.Get(), nNow < nEnd ? static_cast<DWORD>(nEnd - nNow) : 0) != WAIT_OBJECT_0)
            return false;
    }
    return true;
}

// A client process (this program in its child mode) that connects, announces
// itself, orders the camera and on request ends without releasing anything.
class CCrashingClient
{
public:
    CCrashingClient()
        : m_strPrefix("KivoSimTest-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()))
        , m_hReady(CreateEventA(nullptr, TRUE, FALSE, (m_strPrefix + "-ready").c_str()))
        , m_hGo(CreateEventA(nullptr, TRUE, FALSE, (m_strPrefix + "-go").c_str()))
    {
    }
    ~CCrashingClient()
    {
        if (!m_hProcess.IsNull() && !Crash())
            TerminateProcess(m_hProcess, 1);
    }
    CCrashingClient(const CCrashingClient&) = delete;
    CCrashingClient& operator=(const CCrashingClient&) = delete;

    // True once the child holds the camera order.
    bool Start()
    {
        char szPath[MAX_PATH];
        GetModuleFileNameA(nullptr, szPath, MAX_PATH);
        std::string strCommand = std::string("\"") + szPath + "\" " + g_szChildOption + " " + m_strPrefix;
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi = {};
        if (!CreateProcessA(nullptr, &strCommand[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
            return false;
        m_hProcess.Reset(pi.hProcess);
        m_hThread.Reset(pi.hThread);
        HANDLE ah[2] = { m_hReady, m_hProcess };
        return WaitForMultipleObjects(2, ah, FALSE, 30000) == WAIT_OBJECT_0;
    }
    // Lets the child end the hard way and waits until it is gone.
    bool Crash()
    {
        SetEvent(m_hGo);
        return WaitForSingleObject(m_hProcess, 30000) == WAIT_OBJECT_0;
    }

private:
    std::string m_strPrefix;
    CKIVOHandle m_hReady;
    CKIVOHandle m_hGo;
    CKIVOHandle m_hProcess;
    CKIVOHandle m_hThread;
};
}

TEST(SimServerLifetime, LivesAsLongAsAnyClientAndForgetsCrashedOnes)
{
    ReleaseKeptServer();
    ASSERT_TRUE(WaitForProcessesToEnd(FindSimulatorProcesses()))
        << "a simulator kept running: does another test program hold a connection?";
    CKIVOComPtr<IKIVOCamera3> pCamera;
    CreateCamera(pCamera);
    ASSERT_FALSE(pCamera.IsNull());
    const std::vector<DWORD> vecServers = FindSimulatorProcesses();
    ASSERT_EQ(1u, vecServers.size());

    // A new server's camera: closed, no error, empty tables, the documented defaults.
    EXPECT_EQ(SERVERSTATE_CLOSED, StateOf(pCamera.Get()));
    // clang-format off
    const struct { tagEMVP eProp; LONG nValue; } aDefaults[] = {
        { OWNER, 0 }, { CONTROLFLAGS, 0 }, { LIVEWIDTH, 640 }, { LIVEHEIGHT, 480 }, { LIVELEFT, 0 },
        { LIVETOP, 0 }, { LIMITEDSIZE, 0 }, { LIVEWINDOW, 0 }, { LIVECOLOR, 0x00FF00FF }, { LIVEDISPLAY, 1 },
        { PICTUREWIDTH, 640 }, { PICTUREHEIGHT, 480 }, { LIVEFORMAT, 1 }, { LIVEFRAMERATE, 25 },
    };
    // clang-format on
    for (const auto& row : aDefaults)
        EXPECT_EQ(row.nValue, GetPropLongOf(pCamera.Get(), row.eProp)) << "property " << row.eProp;
    CTestArray table;
    ASSERT_EQ(S_OK, pCamera->GetMeasureTab(table.Receive()));
    EXPECT_TRUE(GetArrayLongs(table.Get()).empty());
    ASSERT_EQ(S_OK, pCamera->Open());

    // The announced child's connection keeps the server and its camera:
    // after more than the server's shutdown delay a new connection meets the
    // same camera, still ordered by the child.
    CCrashingClient client;
    ASSERT_TRUE(client.Start()) << "the child client did not get the camera";
    pCamera.Reset();
    Sleep(1500);   // only gives a faulty server time to end
    CreateCamera(pCamera);
    ASSERT_FALSE(pCamera.IsNull());
    EXPECT_EQ(vecServers, FindSimulatorProcesses());
    EXPECT_EQ(SERVERSTATE_OPENED, StateOf(pCamera.Get()));
    EXPECT_EQ(0, OrderOf(pCamera.Get()));

    // The crash gives up the child's order and its hold on the server.
    ASSERT_TRUE(client.Crash());
    LONG nOrdered = 0;
    for (int i = 0; i < 200 && (nOrdered = OrderOf(pCamera.Get())) == 0; ++i)
        Sleep(100);
    EXPECT_EQ(1, nOrdered) << "the order of the crashed client was not released";
    pCamera.Reset();
    ASSERT_TRUE(WaitForProcessesToEnd(vecServers)) << "the server outlived its clients";

    CreateCamera(pCamera);   // the next activation starts a new server with a new camera
    ASSERT_FALSE(pCamera.IsNull());
    EXPECT_EQ(SERVERSTATE_CLOSED, StateOf(pCamera.Get()));
}
