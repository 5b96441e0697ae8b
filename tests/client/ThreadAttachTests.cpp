// Attaching client threads: each thread its own apartment and proxy.
#include "KivoTestSupport.h"
#include "TestCameraServer.h"

#include <atomic>
#include <thread>

namespace
{
class ThreadAttach : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Script().Reset();
        m_client.Connect();
    }
    void TearDown() override
    {
        m_client.Disconnect();
        Script().Reset();
    }
    CTestCameraScript& Script() { return TestServer().Script(); }

    HRESULT CallServer()
    {
        tagEServerState eState;
        return m_client.GetICamera()->GetServerState(&eState);
    }

    CTestableClient m_client;
};

HRESULT ApartmentState(APTTYPE& eType)
{
    APTTYPEQUALIFIER eQualifier;
    return CoGetApartmentType(&eType, &eQualifier);
}
}

TEST(ThreadAttachUnconnected, AttachWithoutConnectionFails)
{
    CTestableClient client;
    CTestWorker worker;
    worker.Run([&] {
        EXPECT_TRUE(ThrowsKivoError([&] { client.ThreadAttach(); }, CEXC_NO_INTERFACE,
                                    L"AtlUnmarshalPtr failed"));
        // The thread was made an apartment before the failure, and stays one.
        APTTYPE eType;
        EXPECT_EQ(S_OK, ApartmentState(eType));
        EXPECT_EQ(APTTYPE_STA, eType);
        CoUninitialize();
    });
    EXPECT_EQ(0, client.CountThreadEntries());
}

TEST_F(ThreadAttach, UnattachedThreadOfConnectedClientHasNoInterface)
{
    CTestWorker worker;
    worker.Run([&] {
        EXPECT_NO_THROW(m_client.CheckConnection(_T("Close")));
        EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetICamera(); }, CEXC_NO_INTERFACE,
                                    L"No Interface for thread"));
    });
}

TEST_F(ThreadAttach, EveryThreadGetsItsOwnWorkingPointer)
{
    CTestWorker first, second, third;
    IKIVOCamera* pointers[3] = {};
    CTestWorker* workers[3] = { &first, &second, &third };
    for (int i = 0; i < 3; ++i)
        workers[i]->Run([&, i] {
            m_client.ThreadAttach();
            pointers[i] = m_client.GetICamera();
            APTTYPE eType;
            EXPECT_EQ(S_OK, ApartmentState(eType));
            EXPECT_EQ(APTTYPE_STA, eType);
        });
    EXPECT_EQ(4, m_client.CountThreadEntries());
    EXPECT_NE(pointers[0], pointers[1]);
    EXPECT_NE(pointers[1], pointers[2]);
    EXPECT_NE(pointers[0], m_client.GetICamera());

    size_t nBefore = Script().CountCalls("GetServerState");
    for (CTestWorker* pWorker : workers)
        pWorker->Run([&] { EXPECT_EQ(S_OK, CallServer()); });
    EXPECT_EQ(S_OK, CallServer());
    EXPECT_EQ(nBefore + 4, Script().CountCalls("GetServerState"));

    for (CTestWorker* pWorker : workers)
        pWorker->Run([&] { m_client.ThreadDetach(); });
    EXPECT_EQ(1, m_client.CountThreadEntries());
}

TEST_F(ThreadAttach, NestedAttachNeedsAsManyDetaches)
{
    CTestWorker worker;
    worker.Run([&] {
        m_client.ThreadAttach();
        m_client.ThreadAttach();
        m_client.ThreadDetach();
        EXPECT_EQ(S_OK, CallServer());

        m_client.ThreadDetach();
        EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetICamera(); }, CEXC_NO_INTERFACE,
                                    L"No Interface for thread"));
        // The last detach ended the thread's apartment (a thread without one may
        // still count as part of this process's implicit multithreaded apartment).
        APTTYPE eType = APTTYPE_STA;
        HRESULT hr = ApartmentState(eType);
        EXPECT_TRUE(hr == CO_E_NOTINITIALIZED || (hr == S_OK && eType == APTTYPE_MTA)) << std::hex << hr;
    });
    EXPECT_EQ(1, m_client.CountThreadEntries());
}

TEST_F(ThreadAttach, ConnectingThreadAttachAddsToItsEntry)
{
    IKIVOCamera* pBefore = m_client.GetICamera();
    m_client.ThreadAttach();
    m_client.ThreadDetach();
    EXPECT_EQ(pBefore, m_client.GetICamera());
    EXPECT_EQ(S_OK, CallServer());
    APTTYPE eType;
    EXPECT_EQ(S_OK, ApartmentState(eType));
}

TEST_F(ThreadAttach, DetachOfUnattachedThreadDoesNothing)
{
    CTestWorker worker;
    worker.Run([&] {
        m_client.ThreadDetach();
        m_client.ThreadDetach();
    });
    EXPECT_EQ(1, m_client.CountThreadEntries());
    EXPECT_EQ(S_OK, CallServer());
}

TEST_F(ThreadAttach, ThreadsAttachCallAndDetachConcurrently)
{
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
                    m_client.ThreadAttach();
                    if (SUCCEEDED(CallServer()))
                        ++nCalls;
                    m_client.ThreadDetach();
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
    EXPECT_EQ(1, m_client.CountThreadEntries());
}
