// A complete camera session against the simulator, driven from two threads.
#include "KivoTestSupport.h"

TEST(SimulatorSession, OpenInitOrderStartStopReleaseCloseFromTwoThreads)
{
    HWND hWnd = CreateWindowExW(0, L"STATIC", L"live", WS_POPUP, 0, 0, 64, 48, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, hWnd);
    CTestableClient client;
    client.Connect();
    client.Open(0);
    EXPECT_EQ(SERVERSTATE_OPENED, client.GetServerState());
    CTestWorker worker;
    worker.Run([&] {
        client.ThreadAttach();
        client.Init();
        EXPECT_NE(0, client.GetPropValueInt(CONTROLFLAGS) & KIVO_CLIENT_DRAWN_LIVE);
        EXPECT_NE(0, client.OrderCamera());
        client.SetPropValueInt(LIVEWINDOW, static_cast<int>(reinterpret_cast<INT_PTR>(hWnd)));
        client.SetPropValueInt(LIVEDISPLAY, 1);
        client.Start(1);
        EXPECT_EQ(SERVERSTATE_STARTED, client.GetServerState());
    });
    EXPECT_EQ(1, client.IsOrdered());
    EXPECT_TRUE(client.Worker().IsThreadRunning());
    client.Stop(1);
    EXPECT_EQ(nullptr, client.Worker().GetThreadHandle());
    EXPECT_EQ(SERVERSTATE_STOPPED, client.GetServerState());
    worker.Run([&] {
        client.ReleaseCamera();
        client.ThreadDetach();
    });
    EXPECT_EQ(0, client.IsOrdered());
    client.Close(0);
    EXPECT_EQ(SERVERSTATE_CLOSED, client.GetServerState());
    client.Disconnect();
    DestroyWindow(hWnd);
}

// Texts keep every character, an embedded NUL included; pictures and tables
// cross the process boundary whole; the live size copy answers for the server's cap.
TEST(SimulatorSession, PropertiesPicturesAndTablesRoundTrip)
{
    CTestableClient client;
    client.Connect();
    client.SetPropValue(static_cast<tagEMVP>(301), _T("-77"));
    EXPECT_EQ(-77, client.GetPropValueInt(static_cast<tagEMVP>(301)));
    const std::wstring strWithNul(L"ab\0cd", 5);
    client.SetPropValue(static_cast<tagEMVP>(302), CString(strWithNul.data(), 5));
    CString strRead = client.GetPropValue(static_cast<tagEMVP>(302));
    EXPECT_EQ(strWithNul, std::wstring(strRead, strRead.GetLength()));
    EXPECT_EQ(L"LIVECOLOR", std::wstring(client.GetPropName(LIVECOLOR)));

    client.Open(0);
    const int nBytes = client.GetPropValueInt(PICTUREWIDTH) * client.GetPropValueInt(PICTUREHEIGHT);
    ASSERT_GT(nBytes, 0);
    client.AllocPicture(1);
    std::vector<BYTE> picture(nBytes + 1, 0xEE);
    int nLength = 0;
    client.GetPicture(1, picture.data(), nBytes, &nLength);
    EXPECT_EQ(nBytes, nLength);
    EXPECT_EQ(0xEE, picture[nBytes]);

    int anTable[4] = { 4, 3, 2, 1 }, anRead[4] = {};
    client.SetMeasureTab(anTable, 4);
    client.SetSearchTab(anTable, 2);
    EXPECT_EQ(4, client.GetMeasureTab(anRead, 4));
    EXPECT_EQ(1, anRead[3]);
    EXPECT_EQ(2, client.GetSearchTab(anRead, 4));

    // While the client draws the live picture, the size it was given is the size it reports.
    client.Init();
    client.SetPropValueInt(LIMITEDSIZE, 1);
    client.SetPropValueInt(LIVEWIDTH, 900);
    EXPECT_EQ(900, client.GetPropValueInt(LIVEWIDTH));
    client.SetPropValueInt(LIMITEDSIZE, 0);
    client.Close(1);
    client.Disconnect();
}
