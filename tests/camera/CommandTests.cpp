// Camera commands: texts and numbers of every member, the order of the server
// calls, and where the commands start and stop the live picture thread.
#include "CameraTestFixture.h"

#include "CameraMembers.h"

TEST(CameraUnconnected, EveryMemberReportsTheMissingConnection)
{
    CTestableClient client;
    for (const CMember& member : Members())
    {
        // Start reads LIVEWINDOW before its own check.
        std::wstring strText = wcscmp(member.pszCheckText, L"Start") == 0 ? L"GetPropValueInt"
                                                                           : member.pszCheckText;
        EXPECT_TRUE(ThrowsKivoError([&] { member.fnCall(client); }, CEXC_NOT_CONNECTED, strText))
            << ::testing::PrintToString(std::wstring(member.pszCheckText));
    }
    // The members without a check fail for want of an interface instead.
    EXPECT_TRUE(ThrowsKivoError([&] { client.Open(0); }, CEXC_NO_INTERFACE, L"No Interface for thread"));
    SAFEARRAY* psa = nullptr;
    unsigned long nWidth, nHeight;
    EXPECT_TRUE(ThrowsKivoError([&] { client.Get3DLivePicture(&psa, &nWidth, &nHeight); },
                                CEXC_NO_INTERFACE, L"No Interface for thread"));
}

TEST_F(CameraTest, EveryMemberMapsEveryFailureClass)
{
    for (const CMember& member : Members())
        for (const CFailureClass& failure : FailureClasses())
        {
            Script().Reset();
            m_client.Stop(0);
            if (member.fnPrepare)
                member.fnPrepare(m_client);
            Script().SetResult(member.pszMethod, failure.hr);
            EXPECT_TRUE(ThrowsKivoError([&] { member.fnCall(m_client); }, failure.eNumber,
                                        ExpectedText(member.pszFailText, failure)))
                << member.pszMethod << " with 0x" << std::hex << failure.hr;
        }
}

TEST_F(CameraTest, FalseIsSuccessForEveryMember)
{
    Script().SetTable(true, { 5 });
    Script().SetTable(false, { 6 });
    CTestPicture picture;
    picture.bytes.assign(4, 9);
    Script().SetPicture(picture);
    for (const CMember& member : Members())
    {
        if (member.fnPrepare)
            member.fnPrepare(m_client);
        Script().SetResult(member.pszMethod, S_FALSE);
        EXPECT_NO_THROW(member.fnCall(m_client)) << member.pszMethod;
    }
    Script().SetResult("OpenForProcess", S_FALSE);
    EXPECT_NO_THROW(m_client.Open(0));
}

TEST_F(CameraTest, OpenForProcessThenOwner)
{
    m_client.Open(0);
    std::vector<CTestCall> calls = Script().GetCalls();
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("OpenForProcess", calls[0].strMethod);
    EXPECT_EQ(static_cast<long>(GetCurrentProcessId()), calls[0].nValue);
    EXPECT_EQ("SetPropVariant", calls[1].strMethod);
    EXPECT_EQ(OWNER, calls[1].nProp);
    EXPECT_EQ(VT_I4, calls[1].vt);
    EXPECT_EQ(0, calls[1].nValue);
}

TEST_F(CameraTest, OpenOnOldServerOpensPlainly)
{
    Script().SetOffers(false, true);   // before connecting: proxies remember what they were told
    CTestableClient client;
    client.Connect();
    client.Open(0);
    EXPECT_EQ((std::vector<std::string>{ "Open", "SetPropVariant" }), Methods());
    client.Disconnect();
}

TEST_F(CameraTest, FailedOpenWritesNoOwner)
{
    Script().SetResult("OpenForProcess", E_FAIL);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.Open(1); }, CEXC_CALL_FAILED, L"Open:0x80004005"));
    EXPECT_EQ((std::vector<std::string>{ "OpenForProcess" }), Methods());
}

TEST_F(CameraTest, OwnerIsTheConnectedInterface)
{
    CTestableClient client;
    client.Connect(CKIVOClient::EINTERFACE_SERVICE);
    client.Open(0);
    EXPECT_EQ(CKIVOClient::EINTERFACE_SERVICE, Script().GetIntProp(OWNER));
    client.Disconnect();
}

TEST_F(CameraTest, OrderCameraOrdersOnceAndChecksTheOwnerEachTime)
{
    Script().SetOrderAnswer(1);
    EXPECT_EQ(0, m_client.IsOrdered());
    EXPECT_NE(0, m_client.OrderCamera());
    EXPECT_EQ(1, m_client.IsOrdered());
    EXPECT_NE(0, m_client.OrderCamera());
    EXPECT_EQ((std::vector<std::string>{ "OrderCamera", "GetPropVariant", "GetPropVariant" }), Methods());
}

TEST_F(CameraTest, OrderCameraClosesUnderAForeignOwner)
{
    Script().SetIntProp(OWNER, 2);
    EXPECT_NE(0, m_client.OrderCamera());
    EXPECT_EQ((std::vector<std::string>{ "OrderCamera", "GetPropVariant", "Close" }), Methods());
    EXPECT_EQ(1, m_client.IsOrdered());
}

TEST_F(CameraTest, OrderCameraIgnoresAFailingOwnerQueryAndAnswersNotOrdered)
{
    Script().SetPropResult(OWNER, E_FAIL);
    Script().SetIntProp(OWNER, 2);
    EXPECT_NE(0, m_client.OrderCamera());
    EXPECT_EQ(0u, Script().CountCalls("Close"));

    CTestableClient other;
    other.Connect();
    Script().Reset();
    Script().SetOrderAnswer(0);
    EXPECT_EQ(0, other.OrderCamera());
    EXPECT_EQ((std::vector<std::string>{ "OrderCamera" }), Methods());
    other.Disconnect();
}

TEST_F(CameraTest, FailedOrderLeavesTheFlag)
{
    Script().SetResult("OrderCamera", E_HANDLE);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.OrderCamera(); }, CEXC_INVALID_HANDLE, L"OrderCamera"));
    EXPECT_EQ(0, m_client.IsOrdered());
}

TEST_F(CameraTest, ReleaseCameraOnlyWhenOrdered)
{
    m_client.ReleaseCamera();
    EXPECT_TRUE(Methods().empty());

    m_client.OrderCamera();
    Script().SetResult("ReleaseCamera", E_FAIL);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.ReleaseCamera(); }, CEXC_CALL_FAILED,
                                L"ReleaseCamera:0x80004005"));
    EXPECT_EQ(1, m_client.IsOrdered());

    Script().SetResult("ReleaseCamera", S_OK);
    m_client.ReleaseCamera();
    EXPECT_EQ(0, m_client.IsOrdered());
}

TEST_F(CameraTest, GetServerStateReturnsTheServersState)
{
    Script().SetServerState(SERVERSTATE_STARTED);
    EXPECT_EQ(SERVERSTATE_STARTED, m_client.GetServerState());
}

TEST_F(CameraTest, InitSetsTheClientDrawnBitOnce)
{
    Script().SetIntProp(CONTROLFLAGS, 0x11);
    m_client.Init();
    EXPECT_EQ(0x15, Script().GetIntProp(CONTROLFLAGS));
    std::vector<CTestCall> calls = Script().GetCalls();
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ("GetPropVariant", calls[0].strMethod);   // the bit is clear
    EXPECT_EQ("GetPropVariant", calls[1].strMethod);   // read to OR in the bit
    EXPECT_EQ("SetPropVariant", calls[2].strMethod);
    EXPECT_EQ("Init", calls[3].strMethod);

    Script().Reset();
    Script().SetIntProp(CONTROLFLAGS, 0x15);
    m_client.Init();
    EXPECT_EQ((std::vector<std::string>{ "GetPropVariant", "Init" }), Methods());
}

// ---------------------------------------------------------------------------
// Start and Stop with the live picture thread

namespace
{
class LiveWindow
{
public:
    LiveWindow()
    {
        m_hWnd = CreateWindowExW(0, L"STATIC", L"live", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr,
                                 nullptr, nullptr);
    }
    ~LiveWindow() { DestroyWindow(m_hWnd); }
    HWND Get() const { return m_hWnd; }
    long AsProperty() const { return static_cast<long>(reinterpret_cast<INT_PTR>(m_hWnd)); }

private:
    HWND m_hWnd;
};
}

class StartStop : public CameraTest
{
protected:
    void SetUp() override
    {
        CameraTest::SetUp();
        ASSERT_NE(nullptr, m_window.Get());
        Script().SetIntProp(LIVEWINDOW, m_window.AsProperty());
        Script().SetIntProp(CONTROLFLAGS, KIVO_CLIENT_DRAWN_LIVE);
        m_client.SetPropValueInt(LIVEDISPLAY, 1);
        m_client.OrderCamera();   // the live picture runs only while ordered
        Script().Reset();
        Script().SetIntProp(LIVEWINDOW, m_window.AsProperty());
        Script().SetIntProp(CONTROLFLAGS, KIVO_CLIENT_DRAWN_LIVE);
    }
    LiveWindow m_window;
};

TEST_F(StartStop, StartWithAllConditionsRunsTheThreadBeforeTheServerStarts)
{
    bool bThreadRanAtStart = false;
    Script().SetHook("Start", [&] { bThreadRanAtStart = m_client.Worker().m_hThread != nullptr; });
    m_client.Start(0);
    EXPECT_TRUE(bThreadRanAtStart);
    EXPECT_EQ(m_window.Get(), m_client.Worker().m_hWnd);
    EXPECT_TRUE(m_client.Worker().IsThreadRunning());
    std::vector<std::string> methods = Methods();
    ASSERT_GE(methods.size(), 3u);
    EXPECT_EQ("GetPropVariant", methods[0]);   // LIVEWINDOW
    EXPECT_EQ("GetPropVariant", methods[1]);   // CONTROLFLAGS
    EXPECT_EQ(1u, Script().CountCalls("Start"));   // the thread's own calls come in between
}

TEST_F(StartStop, StopEndsTheThreadBeforeTheServerStops)
{
    m_client.Start(0);
    ASSERT_TRUE(m_client.Worker().IsThreadRunning());
    bool bThreadGoneAtStop = false;
    Script().SetHook("Stop", [&] { bThreadGoneAtStop = m_client.Worker().m_hThread == nullptr; });
    m_client.Stop(0);
    EXPECT_TRUE(bThreadGoneAtStop);
    EXPECT_FALSE(m_client.Worker().IsThreadRunning());
    EXPECT_EQ(nullptr, m_client.Worker().m_hStopEvent);
    EXPECT_EQ(nullptr, m_client.Worker().m_hStartedEvent);
    EXPECT_EQ(0u, m_client.Worker().m_dwThreadId);
}

TEST_F(StartStop, StopLeavesTheThreadStoppedWhenTheServerFails)
{
    m_client.Start(0);
    ASSERT_TRUE(m_client.Worker().IsThreadRunning());
    Script().SetResult("Stop", E_FAIL);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.Stop(0); }, CEXC_CALL_FAILED, L"Stop:0x80004005"));
    EXPECT_FALSE(m_client.Worker().IsThreadRunning());
    EXPECT_EQ(nullptr, m_client.Worker().m_hThread);
}

TEST_F(StartStop, NoThreadWhenPollingBitClearOrDisplayOff)
{
    m_client.EnablePollLivePictures(1);
    EXPECT_EQ(1, m_client.IsPolling());
    m_client.Start(0);
    EXPECT_EQ(nullptr, m_client.Worker().m_hThread);
    m_client.EnablePollLivePictures(0);

    Script().SetIntProp(CONTROLFLAGS, 0);
    m_client.Start(0);
    EXPECT_EQ(nullptr, m_client.Worker().m_hThread);
    Script().SetIntProp(CONTROLFLAGS, KIVO_CLIENT_DRAWN_LIVE);

    m_client.SetPropValue(LIVEDISPLAY, _T("FALSE"));
    m_client.Start(0);
    EXPECT_EQ(nullptr, m_client.Worker().m_hThread);
    EXPECT_EQ(3u, Script().CountCalls("Start"));
}

TEST_F(StartStop, ThreadThatCannotStartDeniesStartAndLeavesTheServerStopped)
{
    Script().SetOffers(true, false);   // no live picture interface
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.Start(0); }, CEXC_ACCESS_DENIED, L"Start"));
    EXPECT_EQ(0u, Script().CountCalls("Start"));

    Script().SetOffers(true, true);
    Script().SetIntProp(LIVEWINDOW, 0);   // no live window
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.Start(0); }, CEXC_ACCESS_DENIED, L"Start"));
    EXPECT_EQ(0u, Script().CountCalls("Start"));
}

TEST_F(StartStop, UnchangedWindowKeepsThePictureArea)
{
    m_client.SetPropValueInt(LIVEDISPLAY, 0);   // no thread to measure the area anew
    m_client.Start(0);
    m_client.Stop(0);
    CKIVOClientThread& worker = m_client.Worker();
    worker.m_nLiveWidth = 320;
    worker.m_nLiveHeight = 240;
    worker.m_rcLiveClient.right = 64;
    m_client.Start(0);
    m_client.Stop(0);
    EXPECT_EQ(320, worker.m_nLiveWidth);
    EXPECT_EQ(64, worker.m_rcLiveClient.right);

    LiveWindow other;
    Script().SetIntProp(LIVEWINDOW, other.AsProperty());
    m_client.Start(0);
    EXPECT_EQ(other.Get(), worker.m_hWnd);
    EXPECT_EQ(0, worker.m_nLiveWidth);
    EXPECT_EQ(0, worker.m_nLiveHeight);
    EXPECT_EQ(0, worker.m_rcLiveClient.right);
}

TEST_F(StartStop, SecondStartWhileRunningKeepsTheThread)
{
    m_client.Start(0);
    HANDLE hFirst = m_client.Worker().m_hThread;
    m_client.Start(0);
    EXPECT_EQ(hFirst, m_client.Worker().m_hThread);
    m_client.Stop(0);
    m_client.Stop(0);   // nothing left to stop
    EXPECT_EQ(2u, Script().CountCalls("Stop"));
}

TEST_F(StartStop, ReleaseCameraStopsTheThreadBeforeTheServerReleases)
{
    m_client.Start(0);
    ASSERT_TRUE(m_client.Worker().IsThreadRunning());
    bool bThreadGone = false;
    Script().SetHook("ReleaseCamera", [&] { bThreadGone = m_client.Worker().m_hThread == nullptr; });
    m_client.ReleaseCamera();
    EXPECT_TRUE(bThreadGone);
    EXPECT_EQ(0, m_client.IsOrdered());
    EXPECT_EQ(1u, Script().CountCalls("ReleaseCamera"));
}

TEST_F(StartStop, DestroyingTheClientStopsARunningThread)
{
    DWORD dwThreadId = 0;
    {
        CTestableClient client;
        client.Connect();
        client.SetPropValueInt(LIVEDISPLAY, 1);
        client.OrderCamera();
        client.Start(0);
        ASSERT_TRUE(client.Worker().IsThreadRunning());
        dwThreadId = client.Worker().m_dwThreadId;
        client.Disconnect();
    }
    HANDLE hThread = OpenThread(SYNCHRONIZE, FALSE, dwThreadId);
    if (hThread != nullptr)   // the id may already be gone, which is just as good
    {
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 0));
        CloseHandle(hThread);
    }
}
