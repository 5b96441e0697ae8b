// Camera commands: texts and numbers of every member, the order of the server
// calls, and where the commands start and stop the live picture thread.
#include "CameraTestFixture.h"

#include "CameraMembers.h"

// Unconnected, every member reports the missing connection (Start reads
// LIVEWINDOW before its own check); the members without a check fail for want
// of an interface instead.
TEST(CameraUnconnected, EveryMemberReportsTheMissingConnection)
{
    CTestableClient client;
    for (const CMember& member : Members())
        EXPECT_TRUE(ThrowsKivoError([&] { member.fnCall(client); }, CEXC_NOT_CONNECTED,
                                    wcscmp(member.pszCheckText, L"Start") ? member.pszCheckText : L"GetPropValueInt"));
    EXPECT_TRUE(ThrowsKivoError([&] { client.Open(0); }, CEXC_NO_INTERFACE, L"No Interface for thread"));
    SAFEARRAY* psa = nullptr;
    unsigned long nWidth, nHeight;
    EXPECT_TRUE(ThrowsKivoError([&] { client.Get3DLivePicture(&psa, &nWidth, &nHeight); }, CEXC_NO_INTERFACE,
                                L"No Interface for thread"));
}

// Open goes to OpenForProcess with this process's id where the server has it,
// else to Open, and then writes the connected interface as the owner; a failed
// open writes nothing. Init sets the client-drawn bit where it is clear.
TEST_F(CameraTest, OpenWritesTheOwnerAndInitSetsTheClientDrawnBit)
{
    Script().SetResult("OpenForProcess", E_FAIL);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.Open(1); }, CEXC_CALL_FAILED, L"Open:0x80004005"));
    EXPECT_EQ((std::vector<std::string>{ "OpenForProcess" }), Methods());
    for (bool bCamera2 : { true, false })
    {
        Script().Reset();
        Script().SetOffers(bCamera2, true);   // before connecting: proxies remember what they were told
        CTestableClient client;
        client.Connect(CKIVOClient::EINTERFACE_SERVICE);
        Script().ClearCalls();
        client.Open(0);
        EXPECT_EQ((std::vector<std::string>{ bCamera2 ? "OpenForProcess" : "Open", "SetPropVariant" }), Methods());
        EXPECT_EQ(bCamera2 ? static_cast<long>(GetCurrentProcessId()) : 0, Script().GetCalls()[0].nValue);
        EXPECT_EQ(CKIVOClient::EINTERFACE_SERVICE, Script().GetIntProp(OWNER));
        client.Disconnect();
    }

    Script().Reset();
    Script().SetIntProp(CONTROLFLAGS, 0x11);
    m_client.Init();
    EXPECT_EQ(0x15, Script().GetIntProp(CONTROLFLAGS));
    EXPECT_EQ((std::vector<std::string>{ "GetPropVariant", "GetPropVariant", "SetPropVariant", "Init" }), Methods());
    Script().ClearCalls();
    m_client.Init();
    EXPECT_EQ((std::vector<std::string>{ "GetPropVariant", "Init" }), Methods());
}

// The server is asked once; the owner is checked on every call, a foreign one
// closes the camera, and a failing owner query, order or release changes
// nothing; a release without an order asks nothing of the server.
TEST_F(CameraTest, OrderCameraOrdersOnceAndReleaseCameraOnlyWhenOrdered)
{
    Script().SetOrderAnswer(0);
    EXPECT_EQ(0, m_client.OrderCamera());
    m_client.ReleaseCamera();
    EXPECT_EQ((std::vector<std::string>{ "OrderCamera" }), Methods());
    Script().Reset();
    Script().SetResult("OrderCamera", E_HANDLE);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.OrderCamera(); }, CEXC_INVALID_HANDLE, L"OrderCamera"));
    EXPECT_EQ(0, m_client.IsOrdered());

    Script().Reset();
    EXPECT_NE(0, m_client.OrderCamera());
    EXPECT_EQ(1, m_client.IsOrdered());
    Script().SetIntProp(OWNER, 2);
    EXPECT_NE(0, m_client.OrderCamera());
    EXPECT_EQ((std::vector<std::string>{ "OrderCamera", "GetPropVariant", "GetPropVariant", "Close" }), Methods());
    Script().SetPropResult(OWNER, E_FAIL);
    EXPECT_NE(0, m_client.OrderCamera());
    EXPECT_EQ(1u, Script().CountCalls("Close"));

    Script().SetResult("ReleaseCamera", E_FAIL);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.ReleaseCamera(); }, CEXC_CALL_FAILED, L"ReleaseCamera:0x80004005"));
    EXPECT_EQ(1, m_client.IsOrdered());
    Script().SetResult("ReleaseCamera", S_OK);
    m_client.ReleaseCamera();
    EXPECT_EQ(0, m_client.IsOrdered());
}

// ---------------------------------------------------------------------------
// Start and Stop with the live picture thread

class StartStop : public CameraTest
{
protected:
    void SetUp() override
    {
        CameraTest::SetUp();
        ASSERT_NE(nullptr, m_hWnd);
        Script().SetIntProp(LIVEWINDOW, static_cast<long>(reinterpret_cast<INT_PTR>(m_hWnd)));
        Script().SetIntProp(CONTROLFLAGS, KIVO_CLIENT_DRAWN_LIVE);
        m_client.SetPropValueInt(LIVEDISPLAY, 1);
        m_client.OrderCamera();   // the live picture runs only while ordered
        Script().ClearCalls();
    }
    void TearDown() override
    {
        CameraTest::TearDown();
        DestroyWindow(m_hWnd);
    }
    HWND m_hWnd = CreateWindowExW(0, L"STATIC", L"live", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
};

// The thread runs before the server starts and has ended, its handles closed,
// before the server stops or releases, also when the server then refuses.
TEST_F(StartStop, ThreadRunsBeforeTheServerStartsAndIsGoneBeforeItStops)
{
    // Hooks run on the server's thread when the method comes.
    CKIVOClientThread& worker = m_client.Worker();
    bool bAtStart = false, bAtStop = true, bAtRelease = true;
    Script().SetHook("Start", [&] { bAtStart = worker.GetThreadHandle() != nullptr; });
    Script().SetHook("Stop", [&] { bAtStop = worker.GetThreadHandle() != nullptr; });
    Script().SetHook("ReleaseCamera", [&] { bAtRelease = worker.GetThreadHandle() != nullptr; });
    m_client.Start(0);
    EXPECT_TRUE(bAtStart);
    EXPECT_EQ(m_hWnd, worker.GetLiveWindow());
    ASSERT_TRUE(worker.IsThreadRunning());
    HANDLE hFirst = worker.GetThreadHandle();
    m_client.Start(0);
    EXPECT_EQ(hFirst, worker.GetThreadHandle());

    Script().SetResult("Stop", E_FAIL);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.Stop(0); }, CEXC_CALL_FAILED, L"Stop:0x80004005"));
    EXPECT_FALSE(bAtStop);
    EXPECT_EQ(nullptr, worker.GetThreadHandle());

    m_client.Start(0);
    ASSERT_TRUE(worker.IsThreadRunning());
    m_client.ReleaseCamera();
    EXPECT_FALSE(bAtRelease);
    EXPECT_EQ(0, m_client.IsOrdered());
}

// No thread with polling on, the bit clear or the display off, and the server
// starts all the same; without the newest interface or a live window the
// thread cannot start, which denies the start before the server is asked.
TEST_F(StartStop, ConditionsOfTheThread)
{
    // clang-format off
    const struct { int bPoll; long nFlags; const TCHAR* pszDisplay; bool bCamera3; bool bWindow; bool bDenied; }
        cases[] = {
        { 1, KIVO_CLIENT_DRAWN_LIVE, _T("TRUE"), true, true, false },
        { 0, 0, _T("TRUE"), true, true, false },
        { 0, KIVO_CLIENT_DRAWN_LIVE, _T("FALSE"), true, true, false },
        { 0, KIVO_CLIENT_DRAWN_LIVE, _T("TRUE"), false, true, true },
        { 0, KIVO_CLIENT_DRAWN_LIVE, _T("TRUE"), true, false, true },
    };
    // clang-format on
    for (const auto& c : cases)
    {
        SCOPED_TRACE(&c - cases);
        Script().Reset();
        Script().SetOffers(true, c.bCamera3);
        Script().SetIntProp(CONTROLFLAGS, c.nFlags);
        Script().SetIntProp(LIVEWINDOW, c.bWindow ? static_cast<long>(reinterpret_cast<INT_PTR>(m_hWnd)) : 0);
        m_client.EnablePollLivePictures(c.bPoll);
        m_client.SetPropValue(LIVEDISPLAY, c.pszDisplay);
        if (c.bDenied)
            EXPECT_TRUE(ThrowsKivoError([&] { m_client.Start(0); }, CEXC_ACCESS_DENIED, L"Start"));
        else
            m_client.Start(0);
        EXPECT_EQ(nullptr, m_client.Worker().GetThreadHandle());
        EXPECT_EQ(c.bDenied ? 0u : 1u, Script().CountCalls("Start"));
    }
}

TEST_F(StartStop, DestroyingTheClientStopsARunningThread)
{
    HANDLE hThread = nullptr;
    {
        CTestableClient client;
        client.Connect();
        client.SetPropValueInt(LIVEDISPLAY, 1);
        client.OrderCamera();
        client.Start(0);
        ASSERT_TRUE(client.Worker().IsThreadRunning());
        hThread = OpenThread(SYNCHRONIZE, FALSE, CKIVOClientThreadTestAccess::ThreadId(client.Worker()));
        client.Disconnect();
    }
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 0));
    CloseHandle(hThread);
}
