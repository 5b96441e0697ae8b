// Tables, still pictures and live pictures.
#include "SimTestSupport.h"

#include "KivoComInit.h"

#include <thread>

namespace
{
const DWORD g_nFrameTimeoutMs = 10000;
}

TEST_F(CSimTest, TablesRoundTripAsSeparateCopiesOfLongVectors)
{
    const std::vector<LONG> vecMeasure = { 1, -2, 2147483647, -2147483647 - 1, 0 }, vecSearch = { 40, 41 };
    CTestArray measure(CreateLongArray(vecMeasure)), search(CreateLongArray(vecSearch)), result;
    ASSERT_EQ(S_OK, m_pCamera->SetMeasureTab(measure.Get()));
    ASSERT_EQ(S_OK, m_pCamera->SetSearchTab(search.Get()));
    ASSERT_EQ(S_OK, m_pCamera->GetMeasureTab(result.Receive()));
    EXPECT_EQ(vecMeasure, GetArrayLongs(result.Get()));
    ASSERT_EQ(S_OK, m_pCamera->GetSearchTab(result.Receive()));
    LONG nIndex = 0, nValue = 99;
    ASSERT_EQ(S_OK, SafeArrayPutElement(result.Get(), &nIndex, &nValue));   // changes only the copy
    ASSERT_EQ(S_OK, m_pCamera->GetSearchTab(result.Receive()));
    EXPECT_EQ(vecSearch, GetArrayLongs(result.Get()));

    SAFEARRAYBOUND aBounds[2] = { { 2, 0 }, { 3, 0 } };
    CTestArray shorts(SafeArrayCreateVector(VT_I2, 0, 2)), square(SafeArrayCreate(VT_I4, 2, aBounds));
    EXPECT_EQ(E_INVALIDARG, m_pCamera->SetSearchTab(shorts.Get()));
    EXPECT_EQ(E_INVALIDARG, m_pCamera->SetSearchTab(square.Get()));
    CTestArray empty(CreateLongArray({}));
    ASSERT_EQ(S_OK, m_pCamera->SetMeasureTab(empty.Get()));
    ASSERT_EQ(S_OK, m_pCamera->GetMeasureTab(result.Receive()));
    EXPECT_TRUE(GetArrayLongs(result.Get()).empty());
    ASSERT_EQ(S_OK, m_pCamera->GetSearchTab(result.Receive()));
    EXPECT_EQ(vecSearch, GetArrayLongs(result.Get()));
}

TEST_F(CSimTest, StillPicturesAreRampsPerNumberAndColourBarsInBgrOrder)
{
    SetProp(PICTUREWIDTH, 80);
    SetProp(PICTUREHEIGHT, 30);
    CTestArray picture;
    EXPECT_EQ(E_INVALIDARG, m_pCamera->AllocPicture(-1));
    EXPECT_EQ(E_INVALIDARG, m_pCamera->GetPicture(424242, picture.Receive()));
    for (LONG n = 0; n < 3; ++n)
    {
        SCOPED_TRACE(n);
        ASSERT_EQ(S_OK, m_pCamera->AllocPicture(n));
        ASSERT_EQ(S_OK, m_pCamera->GetPicture(n, picture.Receive()));
        const std::vector<BYTE> vecBytes = GetArrayBytes(picture.Get(), VT_UI1);
        ASSERT_EQ(80u * 30u, vecBytes.size());
        // A diagonal ramp shifted by 29 grey levels per picture number.
        // clang-format off
        const struct { size_t nIndex; int nLevel; }
            aPixels[] = { { 0, 0 }, { 79, 79 }, { 80, 1 }, { 80 * 30 - 1, 79 + 29 } };
        // clang-format on
        for (const auto& px : aPixels)
            EXPECT_EQ(static_cast<BYTE>(px.nLevel + 29 * n), vecBytes[px.nIndex]) << px.nIndex;
    }

    SetProp(PICTUREHEIGHT, 2);
    ASSERT_EQ(S_OK, m_pCamera->GetRGBPicture(picture.Receive()));
    const std::vector<BYTE> vecBytes = GetArrayBytes(picture.Get(), VT_UI1);
    ASSERT_EQ(80u * 2u * 3u, vecBytes.size());
    // Bars of 10 pixels: white, yellow, cyan, green, magenta, red, blue, black.
    const DWORD adwBgr[8] = { 0xFFFFFF, 0x00FFFF, 0xFFFF00, 0x00FF00, 0xFF00FF, 0x0000FF, 0xFF0000, 0x000000 };
    for (size_t nPixel = 0; nPixel < 160; nPixel += 9)
    {
        const BYTE* pBgr = &vecBytes[nPixel * 3];
        EXPECT_EQ(adwBgr[nPixel % 80 / 10], static_cast<DWORD>(pBgr[0] << 16 | pBgr[1] << 8 | pBgr[2])) << nPixel;
    }
}

TEST_F(CSimTest, LivePicturesComeOnlyWhileStartedInBothFormats)
{
    SetProp(PICTUREWIDTH, 48);
    SetProp(PICTUREHEIGHT, 16);
    SetProp(LIVEFRAMERATE, 100);
    STestLiveFrame frame = WaitForLiveFrame(m_pCamera.Get(), 0);
    EXPECT_EQ(E_PENDING, frame.hr);
    EXPECT_EQ(0u, frame.nWidth + frame.nHeight + frame.nBytesPerPixel + frame.nFormat);
    ASSERT_EQ(S_OK, m_pCamera->Open());
    ASSERT_EQ(S_OK, m_pCamera->Init());
    EXPECT_EQ(E_PENDING, WaitForLiveFrame(m_pCamera.Get(), 0).hr);
    ASSERT_EQ(S_OK, m_pCamera->Start());

    const STestLiveFrame first = WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs);
    ASSERT_EQ(S_OK, first.hr);
    EXPECT_EQ(48u, first.nWidth);
    EXPECT_EQ(16u, first.nHeight);
    EXPECT_EQ(1, first.nBytesPerPixel);
    EXPECT_EQ(1, first.nFormat);
    ASSERT_EQ(48u * 16u, first.vecBytes.size());
    const STestLiveFrame second = WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs);
    EXPECT_NE(first.vecBytes, second.vecBytes) << "the picture moves";

    ASSERT_EQ(S_OK, m_pCamera->Stop());
    SetProp(LIVEFORMAT, 0);
    ASSERT_EQ(S_OK, m_pCamera->Start());
    frame = WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs);
    ASSERT_EQ(S_OK, frame.hr);
    EXPECT_EQ(4, frame.nBytesPerPixel);
    EXPECT_EQ(0, frame.nFormat);
    ASSERT_EQ(48u * 16u * 4u, frame.vecBytes.size());
    size_t nOpaque = 0, nColoured = 0;
    for (size_t i = 0; i < frame.vecBytes.size(); i += 4)
    {
        nOpaque += frame.vecBytes[i + 3] == 0xFF;
        nColoured += frame.vecBytes[i] != frame.vecBytes[i + 2];
    }
    EXPECT_EQ(48u * 16u, nOpaque);
    EXPECT_GT(nColoured, 0u) << "colour bars behind the moving square";

    EXPECT_EQ(0, GetErrorNumber()) << "no frame is no error";
}

TEST_F(CSimTest, LiveFrameCountCountsTheFramesOfOneConnectionThroughAnyProxy)
{
    SetProp(PICTUREWIDTH, 32);
    SetProp(PICTUREHEIGHT, 24);
    SetProp(LIVEFRAMERATE, 100);
    EXPECT_EQ(0, GetPropLong(LIVEFRAMECOUNT));
    // Every call is counted on entry, a read of the count with them; fetches
    // answered E_PENDING (all of them before Start) are counted apart.
    const LONG nCalls = GetPropLong(LIVECALLCOUNT);
    for (int n = 0; n < 2; ++n)
        ASSERT_EQ(E_PENDING, WaitForLiveFrame(m_pCamera.Get(), 0).hr);
    EXPECT_EQ(nCalls + 3, GetPropLong(LIVECALLCOUNT));
    EXPECT_EQ(2, GetPropLong(LIVEPENDINGCOUNT));
    ASSERT_EQ(S_OK, m_pCamera->Open());
    ASSERT_EQ(S_OK, m_pCamera->Init());
    ASSERT_EQ(S_OK, m_pCamera->Start());
    for (int n = 0; n < 3; ++n)   // the E_PENDING answers in between do not count
        ASSERT_EQ(S_OK, WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs).hr);
    EXPECT_EQ(3, GetPropLong(LIVEFRAMECOUNT));
    EXPECT_EQ(L"3", GetPropText(LIVEFRAMECOUNT));

    CKIVOComPtr<IKIVOCamera3> pOther;   // another connection counts its own
    CreateCamera(pOther);
    ASSERT_FALSE(pOther.IsNull());
    ASSERT_EQ(S_OK, WaitForLiveFrame(pOther.Get(), g_nFrameTimeoutMs).hr);
    EXPECT_EQ(1, GetPropLongOf(pOther.Get(), LIVEFRAMECOUNT));

    // The same connection through a proxy of another apartment, as a client's
    // live picture thread fetches.
    IStream* pStream = nullptr;
    ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID_IKIVOCamera3, m_pCamera.Get(), &pStream));
    HRESULT hrFetched = E_FAIL;
    std::thread thread([&] {
        CKIVOComInit com(COINIT_APARTMENTTHREADED);   // ends after the proxy
        CKIVOComPtr<IKIVOCamera3> pProxy;
        if (SUCCEEDED(CoGetInterfaceAndReleaseStream(pStream, IID_IKIVOCamera3, pProxy.Receive())))
            hrFetched = WaitForLiveFrame(pProxy.Get(), g_nFrameTimeoutMs).hr;
    });
    thread.join();
    ASSERT_EQ(S_OK, hrFetched);
    EXPECT_EQ(4, GetPropLong(LIVEFRAMECOUNT));
}
