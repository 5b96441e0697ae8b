// The camera server process's life beside its clients: it ends once the last
// client that used it is destroyed; when it dies while the live picture runs
// and another thread is inside a call, nothing hangs or crashes, calls fail with
// the RPC result in their text, everything can be ended, and a client that
// connects again reaches a freshly started server without an order of the old.
#include "KivoTestSupport.h"
#include "TestWatchdog.h"

#include <tlhelp32.h>

#include <atomic>
#include <string>
#include <thread>

namespace
{
// Handles of the running processes of this name, with the access asked for.
std::vector<HANDLE> OpenProcessesNamed(const wchar_t* pszName, DWORD dwAccess)
{
    std::vector<HANDLE> processes;
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bMore = Process32FirstW(hSnapshot, &entry); bMore; bMore = Process32NextW(hSnapshot, &entry))
    {
        HANDLE hProcess = _wcsicmp(entry.szExeFile, pszName) == 0
                              ? OpenProcess(dwAccess, FALSE, entry.th32ProcessID)
                              : nullptr;
        if (hProcess != nullptr)
            processes.push_back(hProcess);
    }
    CloseHandle(hSnapshot);
    return processes;
}

// Ends every process of this name; returns how many there were.
int TerminateProcessesNamed(const wchar_t* pszName)
{
    std::vector<HANDLE> processes = OpenProcessesNamed(pszName, PROCESS_TERMINATE | SYNCHRONIZE);
    for (HANDLE hProcess : processes)
    {
        TerminateProcess(hProcess, 9);
        WaitForSingleObject(hProcess, 10000);
        CloseHandle(hProcess);
    }
    return static_cast<int>(processes.size());
}

bool IsRpcFailure(CKIVOClientException* pException, std::wstring* pstrMessage = nullptr)
{
    std::wstring strMessage = ErrorMessageOf(pException);
    if (pstrMessage)
        *pstrMessage = strMessage;
    return pException->GetErrorNumber() == CEXC_CALL_FAILED
           && (strMessage.find(L":0x800706ba") != std::wstring::npos
               || strMessage.find(L":0x800706be") != std::wstring::npos
               || strMessage.find(L":0x80010108") != std::wstring::npos);
}

}

// Every thread's pointer, the stream's packet and a replaced connection give
// their server references back: the server, which ends about a second after
// its last connection goes, is gone well within the bound.
TEST(ServerLifetime, ServerEndsOnceTheClientThatUsedItIsDestroyed)
{
    CTestWatchdog watchdog(240, "server lifetime", 1);
    std::vector<HANDLE> servers;
    {
        CTestableClient client;
        client.Connect();
        client.Connect();   // the first connection is replaced and given back
        servers = OpenProcessesNamed(L"KivoCameraSim.exe", SYNCHRONIZE);
        ASSERT_FALSE(servers.empty());

        auto fnAttachAndCall = [&] {
            client.ThreadAttach();
            EXPECT_EQ(SERVERSTATE_CLOSED, client.GetServerState());
            client.ThreadDetach();
        };
        for (int i = 0; i < 3; ++i)
            CTestWorker().Run(fnAttachAndCall);   // each thread ends after its detach
        CTestWorker stayer;
        stayer.Run([&] { client.ThreadAttach(); });
        client.Disconnect();
        // After the connecting thread let go and the earlier threads ended,
        // threads attach as before.
        CTestWorker().Run(fnAttachAndCall);
        stayer.Run([&] { client.ThreadDetach(); });
        EXPECT_EQ(0, client.CountThreadEntries());
    }
    watchdog.Step(0, "server ends");
    for (HANDLE hServer : servers)
    {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hServer, 60000)) << "the server outlived its client";
        CloseHandle(hServer);
    }
}

TEST(ServerDeath, EverythingEndsAndANewServerCanBeReached)
{
    CTestWatchdog watchdog(240, "server death", 2);
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"live", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(nullptr, hWnd);
    {
        CTestableClient client;
        watchdog.Step(0, "connect and start");
        client.Connect();
        client.Open(1);
        client.Init();
        ASSERT_NE(0, client.OrderCamera());
        client.SetPropValueInt(PICTUREWIDTH, 1280);   // big pictures: calls take a while
        client.SetPropValueInt(PICTUREHEIGHT, 1024);
        client.SetPropValueInt(LIVEFORMAT, 0);
        client.SetPropValueInt(LIVEFRAMERATE, 1000);
        client.SetPropValueInt(LIVEWINDOW, static_cast<int>(reinterpret_cast<INT_PTR>(hWnd)));
        client.SetPropValueInt(LIVEWIDTH, 320);
        client.SetPropValueInt(LIVEHEIGHT, 240);
        client.SetPropValueInt(LIVEDISPLAY, 1);
        client.Start(0);
        ASSERT_TRUE(client.Worker().IsThreadRunning());

        // Another application thread, busy fetching pictures when the server goes.
        std::atomic<bool> bCaller(false), bQuit(false);
        std::atomic<int> nCallsBefore(0);
        std::wstring strCallerError;
        std::thread caller([&] {
            watchdog.Step(1, "ThreadAttach");
            client.ThreadAttach();
            std::vector<BYTE> buffer(1280 * 1024 * 3);
            while (!bQuit)
            {
                try
                {
                    watchdog.Step(1, "GetRGBPicture");
                    client.GetRGBPicture(buffer.data(), static_cast<int>(buffer.size()), nullptr);
                    ++nCallsBefore;
                }
                catch (CKIVOClientException* pException)
                {
                    bCaller = IsRpcFailure(pException, &strCallerError);
                    pException->Delete();
                    break;
                }
            }
            watchdog.Step(1, "ThreadDetach");
            client.ThreadDetach();
            watchdog.Step(1, "done");
        });
        ASSERT_TRUE(PumpUntil([&] { return nCallsBefore > 2; }));

        watchdog.Step(0, "terminate the server");
        ASSERT_EQ(1, TerminateProcessesNamed(L"KivoCameraSim.exe"));

        watchdog.Step(0, "calls fail");
        ASSERT_TRUE(PumpUntil([&] { return bCaller.load(); })) << ::testing::PrintToString(strCallerError);
        try
        {
            client.GetServerState();
            ADD_FAILURE() << "a call to the dead server succeeded";
        }
        catch (CKIVOClientException* pException)
        {
            std::wstring strMessage;
            EXPECT_TRUE(IsRpcFailure(pException, &strMessage)) << ::testing::PrintToString(strMessage);
            EXPECT_EQ(0u, strMessage.find(L"9 : CS ERROR : GetServerState:0x8007"));
            pException->Delete();
        }
        watchdog.Step(0, "live thread ends");
        EXPECT_TRUE(PumpUntil([&] { return !client.Worker().IsThreadRunning(); }));
        bQuit = true;
        caller.join();

        watchdog.Step(0, "Stop, ReleaseCamera");
        EXPECT_TRUE(ThrowsKivoError([&] { client.Stop(0); }, CEXC_CALL_FAILED, L"Stop:0x800706ba"));
        EXPECT_EQ(nullptr, client.Worker().m_hThread);
        EXPECT_TRUE(ThrowsKivoError([&] { client.ReleaseCamera(); }, CEXC_CALL_FAILED,
                                    L"ReleaseCamera:0x800706ba"));
        watchdog.Step(0, "Disconnect");
        client.Disconnect();

        // Wine's RPC service keeps the dead server's registration; a restart of
        // it (it comes back on demand) lets the next activation start a new server.
        watchdog.Step(0, "connect again");
        TerminateProcessesNamed(L"rpcss.exe");
        client.Connect();
        EXPECT_EQ(SERVERSTATE_CLOSED, client.GetServerState());
        // The order died with the old server: this one is asked, so a client
        // that comes later does not get the camera as well.
        EXPECT_EQ(0, client.IsOrdered());
        EXPECT_EQ(1, client.OrderCamera());
        CTestableClient other;
        other.Connect();
        EXPECT_EQ(0, other.OrderCamera());
        other.Disconnect();
        client.ReleaseCamera();
        client.Disconnect();
    }
    DestroyWindow(hWnd);
    watchdog.Step(0, "done");
}
