// The camera server process's life beside its clients: it ends once the last
// client that used it is destroyed; when it dies while the live picture runs
// and another thread is inside a call, nothing hangs or crashes, calls fail with
// the RPC result in their text, everything can be ended, and a client that
// connects again reaches a freshly started server without an order of the old.
#include "KivoTestSupport.h"
#include "TestWatchdog.h"

#include <tlhelp32.h>

#include <atomic>
#include <memory>
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
        if (HANDLE hProcess =
                _wcsicmp(entry.szExeFile, pszName) == 0 ? OpenProcess(dwAccess, FALSE, entry.th32ProcessID) : nullptr)
            processes.push_back(hProcess);
    CloseHandle(hSnapshot);
    return processes;
}

// Ends every process of this name; returns how many there were.
size_t TerminateProcessesNamed(const wchar_t* pszName)
{
    std::vector<HANDLE> processes = OpenProcessesNamed(pszName, PROCESS_TERMINATE | SYNCHRONIZE);
    for (HANDLE hProcess : processes)
        TerminateProcess(hProcess, 9), WaitForSingleObject(hProcess, 10000), CloseHandle(hProcess);
    return processes.size();
}

// Error 9 with one of the results of a server that is gone.
bool IsRpcFailure(CKIVOClientException* pException, std::wstring& strMessage)
{
    strMessage = ErrorMessageOf(pException);
    pException->Delete();
    return strMessage.find(L"9 : CS ERROR : ") == 0
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
    std::vector<HANDLE> servers;
    {
        CTestableClient client;
        client.Connect();
        client.Connect();   // the first connection is replaced and given back
        servers = OpenProcessesNamed(L"KivoCameraSim.exe", SYNCHRONIZE);
        ASSERT_FALSE(servers.empty());
        CTestWorker stayer;
        stayer.Run([&] { client.ThreadAttach(); });
        CTestWorker().Run([&] {   // the thread ends after its detach
            client.ThreadAttach();
            EXPECT_EQ(SERVERSTATE_CLOSED, client.GetServerState());
            client.ThreadDetach();
        });
        client.Disconnect();
        stayer.Run([&] { client.ThreadDetach(); });
    }
    for (HANDLE hServer : servers)
    {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hServer, 60000)) << "the server outlived its client";
        CloseHandle(hServer);
    }
}

TEST(ServerDeath, EverythingEndsAndANewServerCanBeReached)
{
    CTestWatchdog watchdog(240, "server death", 2);
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"live", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240, nullptr, nullptr, nullptr,
                                nullptr);
    ASSERT_NE(nullptr, hWnd);
    CTestableClient client;
    client.Connect();
    client.Open(1);
    client.Init();
    ASSERT_NE(0, client.OrderCamera());
    // clang-format off
    const struct { tagEMVP eProp; int nValue; } settings[] = {   // big pictures: calls take a while
        { PICTUREWIDTH, 1280 }, { PICTUREHEIGHT, 1024 }, { LIVEFORMAT, 0 }, { LIVEFRAMERATE, 1000 },
        { LIVEWINDOW, static_cast<int>(reinterpret_cast<INT_PTR>(hWnd)) }, { LIVEWIDTH, 320 }, { LIVEHEIGHT, 240 },
        { LIVEDISPLAY, 1 } };
    // clang-format on
    for (const auto& setting : settings)
        client.SetPropValueInt(setting.eProp, setting.nValue);
    client.Start(0);
    ASSERT_TRUE(client.Worker().IsThreadRunning());
    std::unique_ptr<CKIVOClient> pOther(new CKIVOClient);   // destroyed once the server is gone
    pOther->Connect();

    // Another application thread, busy fetching pictures when the server goes.
    std::atomic<int> nCallsBefore(0), nCallerFailure(0);   // 1: the RPC result, 2: another
    std::wstring strCallerError;
    std::thread caller([&] {
        client.ThreadAttach();
        std::vector<BYTE> buffer(1280 * 1024 * 3);
        for (watchdog.Step(1, "GetRGBPicture"); nCallerFailure == 0; ++nCallsBefore)
            try
            {
                client.GetRGBPicture(buffer.data(), static_cast<int>(buffer.size()), nullptr);
            }
            catch (CKIVOClientException* pException)
            {
                nCallerFailure = IsRpcFailure(pException, strCallerError) ? 1 : 2;
            }
        watchdog.Step(1, "ThreadDetach");
        client.ThreadDetach();
    });
    ASSERT_TRUE(PumpUntil([&] { return nCallsBefore > 2; }));
    watchdog.Step(0, "terminate the server");
    ASSERT_EQ(1u, TerminateProcessesNamed(L"KivoCameraSim.exe"));

    ASSERT_TRUE(PumpUntil([&] { return nCallerFailure != 0; }));
    caller.join();
    EXPECT_EQ(1, nCallerFailure.load()) << ::testing::PrintToString(strCallerError);
    std::wstring strMessage = L"no failure";
    try
    {
        client.GetServerState();
    }
    catch (CKIVOClientException* pException)
    {
        EXPECT_TRUE(IsRpcFailure(pException, strMessage)) << ::testing::PrintToString(strMessage);
    }
    EXPECT_EQ(0u, strMessage.find(L"9 : CS ERROR : GetServerState:0x8007")) << ::testing::PrintToString(strMessage);
    watchdog.Step(0, "live thread ends, Stop, ReleaseCamera");
    EXPECT_TRUE(PumpUntil([&] { return !client.Worker().IsThreadRunning(); }));
    EXPECT_TRUE(ThrowsKivoError([&] { client.Stop(0); }, CEXC_CALL_FAILED, L"Stop:0x800706ba"));
    EXPECT_EQ(nullptr, client.Worker().GetThreadHandle());
    EXPECT_TRUE(ThrowsKivoError([&] { client.ReleaseCamera(); }, CEXC_CALL_FAILED, L"ReleaseCamera:0x800706ba"));
    client.Disconnect();
    watchdog.Step(0, "destroy a client of the dead server");
    pOther.reset();

    // Wine's RPC service keeps the dead server's registration; a restart of
    // it (it comes back on demand) lets the next activation start a new server.
    watchdog.Step(0, "connect again");
    TerminateProcessesNamed(L"rpcss.exe");
    client.Connect();
    // The order died with the old server: this one is asked.
    EXPECT_EQ(0, client.IsOrdered());
    EXPECT_EQ(1, client.OrderCamera());
    client.ReleaseCamera();
    client.Disconnect();
    DestroyWindow(hWnd);
}
