// A complete camera session against the simulator, driven from two threads.
#include "KivoTestSupport.h"

namespace
{
class SimulatorSession : public ::testing::Test
{
protected:
    void SetUp() override { m_client.Connect(); }
    void TearDown() override
    {
        try
        {
            m_client.Stop(0);
            m_client.ReleaseCamera();
            m_client.Close(1);
        }
        catch (CException* pException)
        {
            pException->Delete();
            ADD_FAILURE() << "clean-up failed";
        }
        m_client.Disconnect();
    }
    CTestableClient m_client;
};
}

TEST_F(SimulatorSession, OpenInitOrderStartStopReleaseCloseFromTwoThreads)
{
    m_client.Open(0);
    EXPECT_EQ(SERVERSTATE_OPENED, m_client.GetServerState());
    EXPECT_EQ(0, m_client.GetPropValueInt(OWNER));

    CTestWorker worker;
    worker.Run([&] {
        m_client.ThreadAttach();
        m_client.Init();
        EXPECT_NE(0, m_client.GetPropValueInt(CONTROLFLAGS) & KIVO_CLIENT_DRAWN_LIVE);
        EXPECT_NE(0, m_client.OrderCamera());
        m_client.Start(0);
        EXPECT_EQ(SERVERSTATE_STARTED, m_client.GetServerState());
    });
    EXPECT_EQ(1, m_client.IsOrdered());
    m_client.Stop(0);
    EXPECT_EQ(SERVERSTATE_STOPPED, m_client.GetServerState());
    worker.Run([&] {
        m_client.ReleaseCamera();
        m_client.ThreadDetach();
    });
    EXPECT_EQ(0, m_client.IsOrdered());
    m_client.Close(0);
    EXPECT_EQ(SERVERSTATE_CLOSED, m_client.GetServerState());
}

TEST_F(SimulatorSession, LivePictureThreadStartsAndStopsAgainstTheServer)
{
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"live", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr,
                                nullptr, nullptr);
    ASSERT_NE(nullptr, hWnd);
    m_client.Open(1);
    m_client.Init();
    ASSERT_NE(0, m_client.OrderCamera());
    m_client.SetPropValueInt(LIVEWINDOW, static_cast<int>(reinterpret_cast<INT_PTR>(hWnd)));
    m_client.SetPropValueInt(LIVEDISPLAY, 1);
    m_client.Start(1);
    EXPECT_TRUE(m_client.Worker().IsThreadRunning());
    m_client.Stop(1);
    EXPECT_FALSE(m_client.Worker().IsThreadRunning());
    EXPECT_EQ(nullptr, m_client.Worker().m_hThread);
    DestroyWindow(hWnd);
}

TEST_F(SimulatorSession, PropertiesRoundTripAsTextAndIntegers)
{
    m_client.SetPropValueInt(static_cast<tagEMVP>(300), 1234);
    EXPECT_EQ(1234, m_client.GetPropValueInt(static_cast<tagEMVP>(300)));
    EXPECT_EQ(L"1234", std::wstring(m_client.GetPropValue(static_cast<tagEMVP>(300))));
    m_client.SetPropValue(static_cast<tagEMVP>(301), _T("-77"));
    EXPECT_EQ(-77, m_client.GetPropValueInt(static_cast<tagEMVP>(301)));
    const std::wstring strWithNul(L"ab\0cd", 5);   // every character, the NUL included
    m_client.SetPropValue(static_cast<tagEMVP>(302), CString(strWithNul.data(), 5));
    CString strRead = m_client.GetPropValue(static_cast<tagEMVP>(302));
    EXPECT_EQ(strWithNul, std::wstring(strRead, strRead.GetLength()));
    EXPECT_EQ(L"LIVECOLOR", std::wstring(m_client.GetPropName(LIVECOLOR)));

    // While the client draws the live picture, the size it was given is the size it reports.
    m_client.Open(0);
    m_client.Init();
    m_client.SetPropValueInt(LIMITEDSIZE, 1);
    m_client.SetPropValueInt(LIVEWIDTH, 900);
    EXPECT_EQ(900, m_client.GetPropValueInt(LIVEWIDTH));
    m_client.SetPropValueInt(LIMITEDSIZE, 0);
}

TEST_F(SimulatorSession, PicturesAndTablesRoundTrip)
{
    m_client.Open(0);
    int nWidth = m_client.GetPropValueInt(PICTUREWIDTH);
    int nHeight = m_client.GetPropValueInt(PICTUREHEIGHT);
    ASSERT_GT(nWidth * nHeight, 0);

    m_client.AllocPicture(1);
    m_client.AllocPicture(2);
    std::vector<BYTE> first(nWidth * nHeight), second(nWidth * nHeight);
    int nLength = 0;
    m_client.GetPicture(1, first.data(), static_cast<int>(first.size()), &nLength);
    EXPECT_EQ(nWidth * nHeight, nLength);
    m_client.GetPicture(2, second.data(), static_cast<int>(second.size()), nullptr);
    EXPECT_NE(first, second);

    std::vector<BYTE> rgb(16);
    m_client.GetRGBPicture(rgb.data(), static_cast<int>(rgb.size()), &nLength);
    EXPECT_EQ(nWidth * nHeight * 3, nLength);

    int anTable[4] = { 4, 3, 2, 1 };
    m_client.SetMeasureTab(anTable, 4);
    m_client.SetSearchTab(anTable, 2);
    int anRead[4] = {};
    EXPECT_EQ(4, m_client.GetMeasureTab(anRead, 4));
    EXPECT_EQ(1, anRead[3]);
    EXPECT_EQ(2, m_client.GetSearchTab(anRead, 4));
}

// Two clients of one server. The client-drawn bit lives in the server, so both
// see it set; the live size copy of a client holds only what the server
// accepted from that client, and everything else is the server's.
TEST(SimulatorTwoClients, LiveSizeIsTheServersUntilThisClientsWriteWasAccepted)
{
    CTestableClient owner, other;
    owner.Connect(CKIVOClient::EINTERFACE_ACQUISITION);
    other.Connect(CKIVOClient::EINTERFACE_MEASUREMENT);
    owner.Open(0);
    owner.Init();
    ASSERT_NE(0, owner.OrderCamera());
    owner.SetPropValueInt(LIVEWIDTH, 320);
    owner.SetPropValue(LIVEHEIGHT, _T("240"));

    EXPECT_EQ(320, other.GetPropValueInt(LIVEWIDTH));
    EXPECT_EQ(L"240", std::wstring(other.GetPropValue(LIVEHEIGHT)));
    // The camera is ordered by the other client: both writes are refused.
    EXPECT_TRUE(ThrowsKivoError([&] { other.SetPropValueInt(LIVEWIDTH, 456); }, CEXC_ACCESS_DENIED,
                                L"SetPropValueInt eProp=24, iVal=456"));
    EXPECT_TRUE(ThrowsKivoError([&] { other.SetPropValue(LIVEHEIGHT, _T("193")); }, CEXC_ACCESS_DENIED,
                                L"SetPropValue eProp=25, sVal=193"));
    EXPECT_EQ(320, other.GetPropValueInt(LIVEWIDTH));
    EXPECT_EQ(240, other.GetPropValueInt(LIVEHEIGHT));

    owner.ReleaseCamera();
    ASSERT_NE(0, other.OrderCamera());   // the ordering client's own answers
    other.SetPropValueInt(LIVEWIDTH, 456);
    EXPECT_EQ(456, other.GetPropValueInt(LIVEWIDTH));
    EXPECT_EQ(240, other.GetPropValueInt(LIVEHEIGHT));
    other.ReleaseCamera();
    owner.Close(1);
    other.Disconnect();
    owner.Disconnect();
}
