// The guide's code run against the camera simulator: each rule the guide
// states about the calling order, sizes, flags and the overlay device holds.
#include "GuideSnippets.h"
#include "KivoTestSupport.h"

namespace
{
const RECT AREA = { 16, 8, 176, 128 };

CKIVOClient* s_pPaintingClient = nullptr;

LRESULT CALLBACK LiveWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_PAINT && s_pPaintingClient != nullptr)
    {
        PaintLiveWindow(*s_pPaintingClient, hWnd, AREA);
        return 0;
    }
    return DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

// A visible live window whose paint handler is the guide's; the camera is
// given back and the simulator's settings restored at the end.
class GuideLive : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = LiveWindowProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"KivoGuideLive";
        RegisterClassW(&wc);
        m_hWnd = CreateWindowExW(0, wc.lpszClassName, L"live", WS_POPUP | WS_VISIBLE, 0, 0, 200, 140, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        ASSERT_NE(nullptr, m_hWnd);
        m_client.Connect();
        s_pPaintingClient = &m_client;
    }
    void TearDown() override
    {
        s_pPaintingClient = nullptr;
        try
        {
            m_client.Stop(1);
            m_client.EnablePollLivePictures(0);
            m_client.SetPropValueInt(LIVEFORMAT, 1);
            m_client.SetPropValueInt(CONTROLFLAGS, 0);
            m_client.Close(1);
            m_client.ReleaseCamera();
        }
        catch (CKIVOClientException* pException)
        {
            ADD_FAILURE() << ::testing::PrintToString(ErrorMessageOf(pException));
            pException->Delete();
        }
        m_client.Disconnect();
        DestroyWindow(m_hWnd);
    }
    // Pictures the live picture thread fetched through this connection.
    bool WaitForLivePictures(int nPictures)
    {
        const int nStart = m_client.GetPropValueInt(LIVEFRAMECOUNT);
        return PumpUntil([&] { return m_client.GetPropValueInt(LIVEFRAMECOUNT) >= nStart + nPictures; });
    }

    HWND m_hWnd = nullptr;
    CKIVOClient m_client;
};
}

TEST(GuideSession, TheConnectingThreadAndAnAttachedThreadRunASessionThatLeavesTheCameraClosed)
{
    EXPECT_EQ(0, RunSession());
    CKIVOClient client;
    client.Connect();
    EXPECT_EQ(SERVERSTATE_CLOSED, client.GetServerState());
    EXPECT_EQ(1, client.OrderCamera());   // the session gave the camera back
    client.ReleaseCamera();
    client.Disconnect();
}

// The identity given to Connect reaches OWNER only with Open; Init's bit is
// the server's, seen by every client.
TEST(GuideSession, OpenWritesTheIdentityAndInitMarksTheServerForEveryClient)
{
    CKIVOClient other, client;
    other.Connect();
    other.SetPropValueInt(OWNER, 0);
    other.SetPropValueInt(CONTROLFLAGS, 0);
    client.Connect(CKIVOClient::EINTERFACE_MEASUREMENT);
    EXPECT_EQ(0, other.GetPropValueInt(OWNER));
    client.Open(0);
    EXPECT_EQ(static_cast<int>(CKIVOClient::EINTERFACE_MEASUREMENT), other.GetPropValueInt(OWNER));
    client.Init();
    EXPECT_EQ(KIVO_CLIENT_DRAWN_LIVE, other.GetPropValueInt(CONTROLFLAGS));
    other.SetPropValueInt(CONTROLFLAGS, 0);
    other.SetPropValueInt(OWNER, 0);
    client.Close(0);
}

TEST(GuidePictures, SizesLengthsAndSizeQueries)
{
    CKIVOClient client;
    client.Connect();
    ASSERT_NE(0, client.OrderCamera());
    client.Open(0);
    client.SetPropValueInt(PICTUREWIDTH, 64);
    client.SetPropValueInt(PICTUREHEIGHT, 48);
    const std::vector<BYTE> picture = ReadPicture(client, 3);
    ASSERT_EQ(64u * 48u, picture.size());
    EXPECT_EQ((5 + 7 + 29 * 3) % 256, picture[7 * 64 + 5]);   // pixel (5, 7) of the simulator's ramp

    // clang-format off

    struct { int nSize; int nLength; } cases[] = { { 0, 64 * 48 }, { 10, 64 * 48 }, { 64 * 48 + 5, 64 * 48 } };
    // clang-format on
    for (const auto& c : cases)
    {
        std::vector<BYTE> buffer(c.nSize + 1, 0xEE);
        int nLength = -1;
        client.GetPicture(3, c.nSize == 0 ? nullptr : buffer.data(), c.nSize, &nLength);
        EXPECT_EQ(c.nLength, nLength) << "size " << c.nSize;   // the whole picture, however much was copied
        const size_t nCopied = static_cast<size_t>((std::min)(c.nSize, c.nLength));
        EXPECT_EQ(0xEE, buffer[nCopied]) << "size " << c.nSize;   // nothing beyond the copy
        if (nCopied > 0)
        {
            EXPECT_EQ(picture[nCopied - 1], buffer[nCopied - 1]) << "size " << c.nSize;
        }
    }
    int nRGBLength = 0;
    client.GetRGBPicture(nullptr, 0, &nRGBLength);
    EXPECT_EQ(64 * 48 * 3, nRGBLength);

    int anTable[5] = { 9, -8, 7, -6, 5 };
    client.SetMeasureTab(anTable, 5);
    EXPECT_EQ(5, client.GetMeasureTab(nullptr, 0));
    EXPECT_EQ(std::vector<int>(anTable, anTable + 5), ReadMeasureTable(client));
    client.SetMeasureTab(nullptr, 0);
    EXPECT_TRUE(ReadMeasureTable(client).empty());

    client.SetPropValueInt(PICTUREWIDTH, 640);
    client.SetPropValueInt(PICTUREHEIGHT, 480);
    client.Close(0);
    client.ReleaseCamera();
}

TEST_F(GuideLive, StartStepsBackWhileAnotherClientHasTheCamera)
{
    CKIVOClient other;
    other.Connect();
    ASSERT_EQ(1, other.OrderCamera());
    EXPECT_FALSE(StartLivePicture(m_client, m_hWnd, AREA));   // no exception: nothing was tried
    EXPECT_EQ(0, m_client.IsOrdered());
    other.ReleaseCamera();
    other.Disconnect();
    EXPECT_TRUE(StartLivePicture(m_client, m_hWnd, AREA));
    EXPECT_TRUE(WaitForLivePictures(2));
}

// Stop on the thread that holds the overlay device gives the device back, and
// its flag decides whether the last picture can be repainted.
TEST_F(GuideLive, StopGivesTheOverlayDeviceBackAndItsFlagDecidesTheRepaint)
{
    for (int bDiscard : { 0, 1 })
    {
        ASSERT_TRUE(StartLivePicture(m_client, m_hWnd, AREA));
        ASSERT_TRUE(WaitForLivePictures(2));
        s_pPaintingClient = nullptr;   // this thread takes the device; no paint handler in between
        HDC hDC = GetDC(m_hWnd);
        CDC dc;
        dc.Attach(hDC);
        CRect rect(AREA);
        ASSERT_NE(nullptr, m_client.GetMaskPaintDC(&dc, rect)) << "discard " << bDiscard;
        m_client.Stop(bDiscard);
        EXPECT_FALSE(m_client.ReleaseMaskPaintDC()) << "discard " << bDiscard;
        EXPECT_EQ(bDiscard ? -2 : 0, m_client.RedrawClientWindow(m_hWnd, &dc, 1)) << "discard " << bDiscard;
        dc.Detach();
        ReleaseDC(m_hWnd, hDC);
        s_pPaintingClient = &m_client;
        m_client.ReleaseCamera();
    }
    ASSERT_TRUE(StartLivePicture(m_client, m_hWnd, AREA));
    ASSERT_TRUE(WaitForLivePictures(2));
    StopLivePicture(m_client);
    EXPECT_EQ(0, m_client.RedrawClientWindow(m_hWnd, nullptr, 1));
    m_client.Close(1);   // 1: the stored pictures go too
    EXPECT_EQ(-2, m_client.RedrawClientWindow(m_hWnd, nullptr, 1));
}

TEST_F(GuideLive, PolledLivePicturesAreGreyBytesOrFourBytesAPixel)
{
    ASSERT_NE(0, m_client.OrderCamera());
    m_client.EnablePollLivePictures(1);
    m_client.Open(1);
    m_client.Init();
    // clang-format off
    struct { int nFormat; bool bGrey; size_t nBytesPerPixel; } formats[] = { { 1, true, 1 }, { 0, false, 4 } };
    // clang-format on
    for (const auto& format : formats)
    {
        m_client.SetPropValueInt(LIVEFORMAT, format.nFormat);
        m_client.Start(0);
        std::vector<BYTE> pixels;
        unsigned long nWidth = 0, nHeight = 0;
        bool bGrey = !format.bGrey;
        ASSERT_TRUE(PumpUntil([&] { return FetchLivePicture(m_client, pixels, nWidth, nHeight, bGrey); }));
        EXPECT_EQ(format.bGrey, bGrey);
        EXPECT_EQ(640u, nWidth);
        EXPECT_EQ(480u, nHeight);
        EXPECT_EQ(nWidth * nHeight * format.nBytesPerPixel, pixels.size());
        m_client.Stop(0);
    }
}
