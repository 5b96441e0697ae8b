// Connecting to the camera server through real COM activation of the test
// server, and attaching client threads: each thread its own apartment and proxy.
#include "KivoTestSupport.h"
#include "TestCameraServer.h"

#include <atomic>
#include <set>
#include <thread>

namespace
{
class Connection : public ::testing::Test
{
protected:
    void SetUp() override { Script().Reset(); }
    void TearDown() override { Script().Reset(); }
    CTestCameraScript& Script() { return TestServer().Script(); }
};

APTTYPE ApartmentOfThisThread()
{
    APTTYPE eType = APTTYPE_CURRENT;
    APTTYPEQUALIFIER eQualifier;
    return CoGetApartmentType(&eType, &eQualifier) == S_OK ? eType : APTTYPE_CURRENT;
}

HRESULT CallServer(CTestableClient& client)
{
    tagEServerState eState;
    return client.GetICamera()->GetServerState(&eState);
}

// Threads that may get the id of an ended thread; those that do attach, call
// and detach.
struct CHeirs
{
    CTestableClient* pClient;
    const std::set<DWORD>* pEnded;
    int nHeirs = 0, nCalls = 0, nFailures = 0;
};

DWORD WINAPI HeirThreadProc(LPVOID pParam)
{
    CHeirs& heirs = *static_cast<CHeirs*>(pParam);
    if (heirs.pEnded->count(GetCurrentThreadId()) == 0)
        return 0;
    ++heirs.nHeirs;
    try
    {
        heirs.pClient->ThreadAttach();
        heirs.nCalls += CallServer(*heirs.pClient) == S_OK ? 1 : 0;
        heirs.pClient->ThreadDetach();
        if (!ThrowsKivoError([&] { heirs.pClient->GetICamera(); }, CEXC_NO_INTERFACE, L"No Interface for thread"))
            ++heirs.nFailures;
    }
    catch (CException* pException)
    {
        pException->Delete();
        ++heirs.nFailures;
    }
    return 0;
}
}

// The process id goes to a server that offers the second interface; neither its
// absence nor a failed registration keeps the client from connecting, and the
// connecting thread's calls go through a proxy to the server's own threads.
TEST_F(Connection, ConnectAttachesTheConnectingThreadAndRegistersWhereTheServerCan)
{
    // clang-format off
    const struct { bool bCamera2; HRESULT hrRegister; size_t nRegistrations; }
        cases[] = { { true, S_OK, 1 }, { false, S_OK, 0 }, { true, E_FAIL, 1 } };
    // clang-format on
    for (const auto& c : cases)
    {
        Script().Reset();
        Script().SetOffers(c.bCamera2, true);
        Script().SetResult("RegisterClientProcess", c.hrRegister);
        CTestableClient client;
        EXPECT_EQ(0, client.IsConnected());
        client.Connect(CKIVOClient::EINTERFACE_SERVICE);
        EXPECT_EQ(1, client.IsConnected());
        EXPECT_EQ(CKIVOClient::EINTERFACE_SERVICE, client.GetStoredInterface());
        EXPECT_EQ(1, client.CountThreadEntries());
        std::vector<CTestCall> calls = Script().GetCalls();
        ASSERT_EQ(c.nRegistrations, calls.size());
        if (c.nRegistrations == 1)
        {
            EXPECT_EQ("RegisterClientProcess", calls[0].strMethod);
            EXPECT_EQ(static_cast<long>(GetCurrentProcessId()), calls[0].nValue);
        }
        EXPECT_EQ(S_OK, CallServer(client));
        EXPECT_NE(GetCurrentThreadId(), Script().GetCalls().back().dwServerThreadId);
        client.Disconnect();
    }
}

// A failed creation stores the interface value, leaves the client unconnected
// and gives the lock back: another thread gets its own error, and is left an
// apartment.
TEST_F(Connection, ServerObjectThatCannotBeCreatedFailsWithConnect)
{
    Script().SetCreateResult(E_OUTOFMEMORY);
    CTestableClient client;
    EXPECT_TRUE(
        ThrowsKivoError([&] { client.Connect(CKIVOClient::EINTERFACE_MEASUREMENT); }, CEXC_NO_INTERFACE, L"Connect"));
    EXPECT_EQ(0, client.IsConnected());
    EXPECT_EQ(0, client.CountThreadEntries());
    EXPECT_EQ(CKIVOClient::EINTERFACE_MEASUREMENT, client.GetStoredInterface());
    client.Disconnect();   // no entry: nothing to drop

    CTestWorker().Run([&] {
        EXPECT_TRUE(ThrowsKivoError([&] { client.ThreadAttach(); }, CEXC_NO_INTERFACE, L"AtlUnmarshalPtr failed"));
        EXPECT_EQ(APTTYPE_STA, ApartmentOfThisThread());
        CoUninitialize();
    });
    EXPECT_EQ(0, client.CountThreadEntries());
}

// Disconnect drops only the calling thread's entry and leaves COM initialised;
// threads attach and work after it, also after the threads before them ended,
// and once the client is gone no server object is referenced any more (a
// replaced first connection and the newest interface included).
TEST_F(Connection, DisconnectDropsOnlyTheCallingThreadsEntryAndTheClientGivesBackEverything)
{
    const LONG nBefore = Script().GetObjectCount();
    {
        CTestableClient client;
        client.Connect();
        client.Connect();
        SAFEARRAY* psa = nullptr;
        unsigned long nWidth = 0, nHeight = 0;
        client.Get3DLivePicture(&psa, &nWidth, &nHeight);
        if (psa)
            SafeArrayDestroy(psa);
        CTestWorker worker;
        worker.Run([&] { client.ThreadAttach(); });
        for (int i = 0; i < 3; ++i)
            CTestWorker().Run([&] {   // each thread ends after its detach
                client.ThreadAttach();
                client.ThreadDetach();
            });

        client.Disconnect();
        EXPECT_EQ(APTTYPE_MAINSTA, ApartmentOfThisThread());
        EXPECT_EQ(1, client.IsConnected());
        EXPECT_TRUE(ThrowsKivoError([&] { client.GetICamera(); }, CEXC_NO_INTERFACE, L"No Interface for thread"));
        client.Disconnect();
        EXPECT_EQ(1, client.CountThreadEntries());

        auto fnCallAndDetach = [&] {
            EXPECT_EQ(S_OK, CallServer(client));
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

TEST_F(Connection, NewestInterfaceOnlyFromANewServerAndOnlyForAttachedThreads)
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
    CTestWorker().Run([&] {
        EXPECT_TRUE(ThrowsKivoError([&] { client.GetICamera3(); }, CEXC_NO_INTERFACE, L"No Interface for thread"));
    });
    client.Disconnect();

    Script().SetOffers(true, false);
    CTestableClient old;
    old.Connect();
    EXPECT_EQ(nullptr, old.GetICamera3());
    old.Disconnect();
}

// Each attached thread has its own working proxy, in an apartment of its own;
// an attach on the connecting thread adds to its entry; a detach without an
// attach does nothing.
TEST_F(Connection, AttachedThreadsHaveTheirOwnPointers)
{
    CTestableClient client;
    client.Connect();
    IKIVOCamera* pConnecting = client.GetICamera();
    client.ThreadAttach();
    client.ThreadDetach();
    EXPECT_EQ(pConnecting, client.GetICamera());
    EXPECT_EQ(S_OK, CallServer(client));

    CTestWorker first, second;
    IKIVOCamera* pointers[2] = {};
    CTestWorker* workers[2] = { &first, &second };
    for (int i = 0; i < 2; ++i)
        workers[i]->Run([&, i] {
            client.ThreadDetach();
            client.ThreadAttach();
            pointers[i] = client.GetICamera();
            EXPECT_EQ(S_OK, CallServer(client));
            EXPECT_EQ(APTTYPE_STA, ApartmentOfThisThread());
        });
    EXPECT_EQ(3, client.CountThreadEntries());
    EXPECT_NE(pointers[0], pointers[1]);
    EXPECT_NE(pConnecting, pointers[0]);
    for (CTestWorker* pWorker : workers)
        pWorker->Run([&] { client.ThreadDetach(); });
    EXPECT_EQ(1, client.CountThreadEntries());
    client.Disconnect();
}

TEST_F(Connection, ThreadsAttachCallAndDetachConcurrently)
{
    CTestableClient client;
    client.Connect();
    // Far more attaches than a normal marshal packet could serve.
    const int nThreads = 4, nRounds = 25;
    std::atomic<int> nFailures(0), nCalls(0);
    std::vector<std::thread> threads;
    for (int t = 0; t < nThreads; ++t)
        threads.emplace_back([&] {
            for (int r = 0; r < nRounds; ++r)
            {
                try
                {
                    client.ThreadAttach();
                    nCalls += SUCCEEDED(CallServer(client)) ? 1 : 0;
                    client.ThreadDetach();
                }
                catch (CException* pException)
                {
                    pException->Delete();
                    ++nFailures;
                }
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(0, nFailures.load());
    EXPECT_EQ(nThreads * nRounds, nCalls.load());
    EXPECT_EQ(1, client.CountThreadEntries());
    client.Disconnect();
}

// The attach count is the client's own: however many references the server's
// proxies or the server object itself hold (a thread of the server's own
// apartment gets the object, not a proxy), the last of nested detaches
// removes the entry; it ends the apartment that the first attach began and
// leaves the application's own.
TEST_F(Connection, TheLastOfNestedDetachesRemovesTheEntryAndEndsOnlyItsOwnApartment)
{
    CTestableClient client;
    client.Connect();
    for (bool bApplicationMta : { false, true })
        for (int nAttaches : { 1, 2, 3 })
            CTestWorker().Run([&] {
                SCOPED_TRACE(::testing::Message() << nAttaches << " attaches, application's MTA " << bApplicationMta);
                if (bApplicationMta)
                {
                    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
                }
                for (int i = 0; i < nAttaches; ++i)
                    client.ThreadAttach();
                for (int i = 0; i < nAttaches; ++i)
                {
                    EXPECT_EQ(S_OK, CallServer(client)) << "before detach " << i;
                    client.ThreadDetach();
                }
                EXPECT_TRUE(
                    ThrowsKivoError([&] { client.GetICamera(); }, CEXC_NO_INTERFACE, L"No Interface for thread"));
                // S_OK: no apartment left; S_FALSE: the application's is still there.
                const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
                EXPECT_EQ(bApplicationMta ? S_FALSE : S_OK, hr);
                if (SUCCEEDED(hr))
                    CoUninitialize();
                if (bApplicationMta)
                    CoUninitialize();
            });
    EXPECT_EQ(1, client.CountThreadEntries());
    client.Disconnect();
}

// An entry belongs to the thread that made it, not to its id: threads that end
// without detaching leave entries that a later thread with the same id never
// uses; it attaches afresh, calls and detaches.
TEST_F(Connection, AThreadWithTheIdOfOneThatNeverDetachedAttachesAfresh)
{
    CTestableClient client;
    client.Connect();
    std::set<DWORD> setEnded;
    for (int i = 0; i < 16; ++i)
        CTestWorker().Run([&] {   // the thread ends still attached
            client.ThreadAttach();
            EXPECT_EQ(S_OK, CallServer(client));
            setEnded.insert(GetCurrentThreadId());
        });
    CTestWorker().Run([&] {   // a thread that attaches as it should, while those entries are there
        client.ThreadAttach();
        EXPECT_EQ(S_OK, CallServer(client));
        client.ThreadDetach();
    });

    // Short threads until enough of them had the id of an ended one.
    CHeirs heirs = { &client, &setEnded };
    for (int i = 0; i < 20000 && heirs.nHeirs < 4; ++i)
    {
        HANDLE hThread = CreateThread(nullptr, 0, HeirThreadProc, &heirs, 0, nullptr);
        ASSERT_NE(nullptr, hThread);
        WaitForSingleObject(hThread, INFINITE);   // one at a time: the counters need no lock
        CloseHandle(hThread);
    }
    ASSERT_GE(heirs.nHeirs, 1) << "no thread id came back";
    EXPECT_EQ(heirs.nHeirs, heirs.nCalls);
    EXPECT_EQ(0, heirs.nFailures);
    EXPECT_EQ(1, client.CountThreadEntries());
    client.Disconnect();
}
