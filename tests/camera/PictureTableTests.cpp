// Pictures and tables: copies never exceed the caller's size, missing arrays
// and bad sizes give their errors.
#include "CameraTestFixture.h"

namespace
{
CTestPicture MakePicture(size_t nBytes, ULONG nWidth = 0, ULONG nHeight = 0, long nBytesPerPixel = 1,
                         long nFormat = 1)
{
    CTestPicture picture;
    for (size_t i = 0; i < nBytes; ++i)
        picture.bytes.push_back(static_cast<BYTE>(i + 1));
    picture.nWidth = nWidth;
    picture.nHeight = nHeight;
    picture.nBytesPerPixel = nBytesPerPixel;
    picture.nFormat = nFormat;
    return picture;
}
}

TEST_F(CameraTest, PictureIntoSmallerLargerAndEmptyBuffers)
{
    Script().SetPicture(MakePicture(10));
    BYTE abBuffer[16];
    memset(abBuffer, 0xEE, sizeof(abBuffer));
    int nLength = 0;
    m_client.GetPicture(7, abBuffer, 4, &nLength);
    EXPECT_EQ(10, nLength);
    EXPECT_EQ(4, abBuffer[3]);
    EXPECT_EQ(0xEE, abBuffer[4]);
    EXPECT_EQ(7, Script().GetCalls().back().nValue);

    m_client.GetPicture(7, abBuffer, 16, &nLength);
    EXPECT_EQ(10, abBuffer[9]);
    EXPECT_EQ(0xEE, abBuffer[10]);

    nLength = 0;
    m_client.GetRGBPicture(nullptr, 0, &nLength);
    EXPECT_EQ(10, nLength);
    m_client.GetRGBPicture(abBuffer, 16, nullptr);
}

TEST_F(CameraTest, PictureWithoutArrayIsNoPicture)
{
    Script().SetPicture(MakePicture(3), false);
    BYTE abBuffer[4];
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetPicture(1, abBuffer, 4, nullptr); }, CEXC_NO_PICTURE,
                                L"GetPicture"));
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetRGBPicture(abBuffer, 4, nullptr); }, CEXC_NO_PICTURE,
                                L"GetRGBPicture"));
}

TEST_F(CameraTest, PictureBufferThatCannotHoldTheSizeIsRefused)
{
    Script().SetPicture(MakePicture(3));
    BYTE abBuffer[4];
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetPicture(1, nullptr, 4, nullptr); }, CEXC_INVALID_ARGUMENT,
                                L"GetPicture"));
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetRGBPicture(abBuffer, -1, nullptr); },
                                CEXC_INVALID_ARGUMENT, L"GetRGBPicture"));
    EXPECT_TRUE(Methods().empty());
}

TEST_F(CameraTest, GreyLivePictureIsReportedAsSuch)
{
    Script().SetLivePicture(MakePicture(12, 4, 3, 1, 1));
    SAFEARRAY* psa = nullptr;
    unsigned long nWidth = 0, nHeight = 0;
    EXPECT_EQ(1, m_client.Get3DLivePicture(&psa, &nWidth, &nHeight));
    ASSERT_NE(nullptr, psa);
    EXPECT_EQ(4u, nWidth);
    EXPECT_EQ(3u, nHeight);
    LONG nUpper = 0;
    SafeArrayGetUBound(psa, 1, &nUpper);
    EXPECT_EQ(11, nUpper);
    SafeArrayDestroy(psa);
}

TEST_F(CameraTest, ColourLivePictureIsFilledInButAnsweredZero)
{
    Script().SetLivePicture(MakePicture(48, 4, 3, 4, 0));
    SAFEARRAY* psa = nullptr;
    unsigned long nWidth = 0, nHeight = 0;
    EXPECT_EQ(0, m_client.Get3DLivePicture(&psa, &nWidth, &nHeight));
    ASSERT_NE(nullptr, psa);
    EXPECT_EQ(4u, nWidth);
    SafeArrayDestroy(psa);
}

TEST_F(CameraTest, FailingLivePictureIsOnlyAResult)
{
    Script().SetLivePicture(MakePicture(12, 4, 3, 1, 1));
    Script().SetResult("Get3DLivePicture", E_PENDING);
    SAFEARRAY* psa = nullptr;
    unsigned long nWidth = 0, nHeight = 0;
    EXPECT_EQ(0, m_client.Get3DLivePicture(&psa, &nWidth, &nHeight));
    if (psa)
        SafeArrayDestroy(psa);
    EXPECT_EQ(0, m_client.Get3DLivePicture(nullptr, &nWidth, &nHeight));
}

TEST_F(CameraTest, LivePictureFromAnOldServerFails)
{
    CTestableClient client;
    Script().SetOffers(true, false);
    client.Connect();
    SAFEARRAY* psa = nullptr;
    unsigned long nWidth = 0, nHeight = 0;
    EXPECT_TRUE(ThrowsKivoError([&] { client.Get3DLivePicture(&psa, &nWidth, &nHeight); },
                                CEXC_NO_INTERFACE, L"Old Kivo Server"));
    client.Disconnect();
}

TEST_F(CameraTest, TablesRoundTripWithinTheCallersCount)
{
    int anValues[5] = { 10, -20, 30, 40, 50 };
    m_client.SetMeasureTab(anValues, 5);
    EXPECT_EQ((std::vector<long>{ 10, -20, 30, 40, 50 }), Script().GetTable(true));

    int anRead[8];
    for (int& n : anRead)
        n = -1;
    EXPECT_EQ(5, m_client.GetMeasureTab(anRead, 5));
    EXPECT_EQ(50, anRead[4]);
    EXPECT_EQ(-1, anRead[5]);

    for (int& n : anRead)
        n = -1;
    EXPECT_EQ(5, m_client.GetMeasureTab(anRead, 2));
    EXPECT_EQ(-20, anRead[1]);
    EXPECT_EQ(-1, anRead[2]);

    EXPECT_EQ(5, m_client.GetMeasureTab(anRead, 8));   // a longer buffer keeps its tail
    EXPECT_EQ(-1, anRead[5]);
    EXPECT_EQ(5, m_client.GetMeasureTab(nullptr, 0));
}

TEST_F(CameraTest, EmptyTablesAndSeparateTables)
{
    int anValues[1] = { 99 };
    m_client.SetSearchTab(anValues, 0);
    EXPECT_TRUE(Script().GetTable(false).empty());
    EXPECT_EQ(0, m_client.GetSearchTab(anValues, 1));
    EXPECT_EQ(99, anValues[0]);

    m_client.SetSearchTab(anValues, 1);
    EXPECT_EQ((std::vector<long>{ 99 }), Script().GetTable(false));
    EXPECT_TRUE(Script().GetTable(true).empty());
}

TEST_F(CameraTest, TableWithoutArrayIsNoTable)
{
    Script().SetTable(true, { 1 }, false);
    Script().SetTable(false, { 1 }, false);
    int anValues[2];
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetMeasureTab(anValues, 2); }, CEXC_NO_TABLE, L"GetMeasureTab"));
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetSearchTab(anValues, 2); }, CEXC_NO_TABLE, L"GetSearchTab"));
}

TEST_F(CameraTest, TableCountsThatCannotBeRightAreRefused)
{
    int anValues[2] = {};
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.SetMeasureTab(anValues, -1); }, CEXC_INVALID_ARGUMENT,
                                L"SetMeasureTab"));
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.SetSearchTab(nullptr, 2); }, CEXC_INVALID_ARGUMENT,
                                L"SetSearchTab"));
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetSearchTab(nullptr, 2); }, CEXC_INVALID_ARGUMENT,
                                L"GetSearchTab"));
    EXPECT_TRUE(Methods().empty());
}
