// Pictures and tables: copies never exceed the caller's size, missing arrays
// and bad sizes give their errors.
#include "CameraTestFixture.h"

namespace
{
CTestPicture MakePicture(size_t nBytes, ULONG nWidth = 0, ULONG nHeight = 0, long nBytesPerPixel = 1, long nFormat = 1)
{
    CTestPicture picture;
    for (size_t i = 0; i < nBytes; ++i)
        picture.bytes.push_back(static_cast<BYTE>(i + 1));
    picture.nWidth = nWidth, picture.nHeight = nHeight, picture.nBytesPerPixel = nBytesPerPixel,
    picture.nFormat = nFormat;
    return picture;
}
}

// A 10-byte picture into buffers of 0, 4 and 16 bytes: the first size bytes
// at most, the rest untouched, the full length reported.
TEST_F(CameraTest, PicturesCopyNoMoreThanTheCallersSize)
{
    Script().SetPicture(MakePicture(10));
    for (int nSize : { 0, 4, 16 })
        for (bool bRGB : { false, true })
        {
            BYTE abBuffer[17];
            memset(abBuffer, 0xEE, sizeof(abBuffer));
            int nLength = 0;
            if (bRGB)
                m_client.GetRGBPicture(nSize ? abBuffer : nullptr, nSize, &nLength);
            else
                m_client.GetPicture(7, abBuffer, nSize, &nLength);
            EXPECT_EQ(10, nLength);
            for (int i = 0; i < 17; ++i)
                EXPECT_EQ(i < nSize && i < 10 ? i + 1 : 0xEE, abBuffer[i])
                    << nSize << (bRGB ? " RGB" : "") << " at " << i;
        }
    EXPECT_EQ(7, Script().GetCalls().front().nValue);
    BYTE abBuffer[4];
    m_client.GetPicture(1, abBuffer, 4, nullptr);   // the length is optional

    Script().SetPicture(MakePicture(3), false);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetPicture(1, abBuffer, 4, nullptr); }, CEXC_NO_PICTURE, L"GetPicture"));
    EXPECT_TRUE(
        ThrowsKivoError([&] { m_client.GetRGBPicture(abBuffer, 4, nullptr); }, CEXC_NO_PICTURE, L"GetRGBPicture"));
    Script().ClearCalls();
    EXPECT_TRUE(
        ThrowsKivoError([&] { m_client.GetPicture(1, nullptr, 4, nullptr); }, CEXC_INVALID_ARGUMENT, L"GetPicture"));
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetRGBPicture(abBuffer, -1, nullptr); }, CEXC_INVALID_ARGUMENT,
                                L"GetRGBPicture"));
    EXPECT_TRUE(Methods().empty());
}

// Only a grey picture is answered 1; colour is filled in and answered 0, a
// failing server only answered 0, an old server refused.
TEST_F(CameraTest, LivePictureAnswersOneOnlyForGrey)
{
    // clang-format off
    const struct { long nBytesPerPixel, nFormat; HRESULT hr; int nResult; }
        cases[] = { { 1, 1, S_OK, 1 }, { 4, 0, S_OK, 0 }, { 1, 1, E_PENDING, 0 } };
    // clang-format on
    for (const auto& c : cases)
    {
        Script().SetLivePicture(MakePicture(12 * c.nBytesPerPixel, 4, 3, c.nBytesPerPixel, c.nFormat));
        Script().SetResult("Get3DLivePicture", c.hr);
        SAFEARRAY* psa = nullptr;
        unsigned long nWidth = 0, nHeight = 0;
        EXPECT_EQ(c.nResult, m_client.Get3DLivePicture(&psa, &nWidth, &nHeight)) << c.nBytesPerPixel << ", " << c.hr;
        EXPECT_TRUE(c.hr != S_OK
                    || (nWidth == 4 && nHeight == 3 && psa && psa->rgsabound[0].cElements == 12u * c.nBytesPerPixel))
            << nWidth << " x " << nHeight;
        if (psa)
            SafeArrayDestroy(psa);
    }
    Script().SetOffers(true, false);
    CTestableClient client;
    client.Connect();
    SAFEARRAY* psa = nullptr;
    unsigned long nWidth = 0, nHeight = 0;
    EXPECT_TRUE(ThrowsKivoError([&] { client.Get3DLivePicture(&psa, &nWidth, &nHeight); }, CEXC_NO_INTERFACE,
                                L"Old Kivo Server"));
    client.Disconnect();
}

// Gets copy at most the caller's count and answer the server's; empty tables
// go both ways; a missing array or an impossible count is refused.
TEST_F(CameraTest, TablesRoundTripWithinTheCallersCount)
{
    int anValues[5] = { 10, -20, 30, 40, 50 };
    m_client.SetMeasureTab(anValues, 5);
    EXPECT_EQ((std::vector<long>{ 10, -20, 30, 40, 50 }), Script().GetTable(true));
    m_client.SetSearchTab(anValues, 0);
    EXPECT_TRUE(Script().GetTable(false).empty());
    EXPECT_EQ(0, m_client.GetSearchTab(anValues, 1));
    for (int nCount : { 0, 2, 5, 8 })
    {
        int anRead[9] = { -1, -1, -1, -1, -1, -1, -1, -1, -1 };
        EXPECT_EQ(5, m_client.GetMeasureTab(nCount ? anRead : nullptr, nCount));
        for (int i = 0; i < 9; ++i)
            EXPECT_EQ(i < nCount && i < 5 ? anValues[i] : -1, anRead[i]) << nCount << " at " << i;
    }
    Script().SetTable(true, { 1 }, false);
    Script().SetTable(false, { 1 }, false);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetMeasureTab(anValues, 2); }, CEXC_NO_TABLE, L"GetMeasureTab"));
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetSearchTab(anValues, 2); }, CEXC_NO_TABLE, L"GetSearchTab"));
    Script().ClearCalls();
    EXPECT_TRUE(
        ThrowsKivoError([&] { m_client.SetMeasureTab(anValues, -1); }, CEXC_INVALID_ARGUMENT, L"SetMeasureTab"));
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetSearchTab(nullptr, 2); }, CEXC_INVALID_ARGUMENT, L"GetSearchTab"));
    EXPECT_TRUE(Methods().empty());
}
