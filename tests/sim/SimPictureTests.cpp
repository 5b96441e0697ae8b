// Tables, still pictures and live pictures.
#include "SimTestSupport.h"

namespace
{
const DWORD g_nFrameTimeoutMs = 10000;

struct SBgr
{
    BYTE b, g, r;
};

SBgr GetBgr(const std::vector<BYTE>& vecBytes, size_t nIndex)
{
    return SBgr{ vecBytes[nIndex * 3], vecBytes[nIndex * 3 + 1], vecBytes[nIndex * 3 + 2] };
}
}

TEST_F(CSimTest, TablesRoundTripAsCopies)
{
    const std::vector<LONG> vecMeasure = { 1, -2, 2147483647, -2147483647 - 1, 0 };
    const std::vector<LONG> vecSearch = { 40, 41 };
    CTestArray measure(CreateLongArray(vecMeasure));
    CTestArray search(CreateLongArray(vecSearch));
    ASSERT_EQ(S_OK, m_pCamera->SetMeasureTab(measure.Get()));
    ASSERT_EQ(S_OK, m_pCamera->SetSearchTab(search.Get()));

    CTestArray result;
    ASSERT_EQ(S_OK, m_pCamera->GetMeasureTab(&result));
    EXPECT_EQ(vecMeasure, GetArrayLongs(result.Get()));
    ASSERT_EQ(S_OK, m_pCamera->GetSearchTab(&result));
    EXPECT_EQ(vecSearch, GetArrayLongs(result.Get()));

    // Changing the returned copy changes nothing in the server.
    ASSERT_EQ(S_OK, m_pCamera->GetSearchTab(&result));
    LONG nIndex = 0, nValue = 99;
    ASSERT_EQ(S_OK, SafeArrayPutElement(result.Get(), &nIndex, &nValue));
    ASSERT_EQ(S_OK, m_pCamera->GetSearchTab(&result));
    EXPECT_EQ(vecSearch, GetArrayLongs(result.Get()));

    CTestArray empty(CreateLongArray({}));
    ASSERT_EQ(S_OK, m_pCamera->SetMeasureTab(empty.Get()));
    ASSERT_EQ(S_OK, m_pCamera->GetMeasureTab(&result));
    EXPECT_TRUE(GetArrayLongs(result.Get()).empty());
    ASSERT_EQ(S_OK, m_pCamera->GetSearchTab(&result));
    EXPECT_EQ(vecSearch, GetArrayLongs(result.Get())) << "the tables are separate";
}

TEST_F(CSimTest, TablesRefuseOtherElementTypesAndDimensions)
{
    CTestArray good(CreateLongArray({ 5, 6 }));
    ASSERT_EQ(S_OK, m_pCamera->SetSearchTab(good.Get()));

    CTestArray shorts(SafeArrayCreateVector(VT_I2, 0, 2));
    EXPECT_EQ(E_INVALIDARG, m_pCamera->SetSearchTab(shorts.Get()));
    CTestArray doubles(SafeArrayCreateVector(VT_R8, 0, 2));
    EXPECT_EQ(E_INVALIDARG, m_pCamera->SetSearchTab(doubles.Get()));
    SAFEARRAYBOUND aBounds[2] = { { 2, 0 }, { 3, 0 } };
    CTestArray square(SafeArrayCreate(VT_I4, 2, aBounds));
    EXPECT_EQ(E_INVALIDARG, m_pCamera->SetSearchTab(square.Get()));

    CTestArray result;
    ASSERT_EQ(S_OK, m_pCamera->GetSearchTab(&result));
    EXPECT_EQ((std::vector<LONG>{ 5, 6 }), GetArrayLongs(result.Get()));
}

TEST_F(CSimTest, PicturesNeedAllocationAndDifferByNumber)
{
    SetProp(PICTUREWIDTH, 40);
    SetProp(PICTUREHEIGHT, 30);
    EXPECT_EQ(E_INVALIDARG, m_pCamera->AllocPicture(-1));
    CTestArray picture;
    EXPECT_EQ(E_INVALIDARG, m_pCamera->GetPicture(424242, &picture));
    EXPECT_EQ(nullptr, picture.Get());

    std::vector<std::vector<BYTE>> vecPictures;
    for (LONG n = 0; n < 3; ++n)
    {
        ASSERT_EQ(S_OK, m_pCamera->AllocPicture(n));
        ASSERT_EQ(S_OK, m_pCamera->GetPicture(n, &picture));
        vecPictures.push_back(GetArrayBytes(picture.Get(), VT_UI1));
        ASSERT_EQ(40u * 30u, vecPictures.back().size());
        // A diagonal ramp shifted by 29 grey levels per picture number.
        EXPECT_EQ(static_cast<BYTE>(29 * n), vecPictures.back()[0]);
        EXPECT_EQ(static_cast<BYTE>(39 + 29 * n), vecPictures.back()[39]);      // end of row 0
        EXPECT_EQ(static_cast<BYTE>(1 + 29 * n), vecPictures.back()[40]);       // start of row 1
        EXPECT_EQ(static_cast<BYTE>(39 + 29 + 29 * n), vecPictures.back()[40 * 30 - 1]);
    }
    EXPECT_NE(vecPictures[0], vecPictures[1]);
    EXPECT_NE(vecPictures[1], vecPictures[2]);
    EXPECT_NE(vecPictures[0], vecPictures[2]);

    // The size is taken when the picture is read.
    ResetSharedCamera(m_pCamera.Get());
    ASSERT_EQ(S_OK, m_pCamera->GetPicture(2, &picture));
    EXPECT_EQ(640u * 480u, GetArrayBytes(picture.Get(), VT_UI1).size());
}

TEST_F(CSimTest, RGBPictureShowsColourBarsInBgrOrder)
{
    SetProp(PICTUREWIDTH, 80);
    SetProp(PICTUREHEIGHT, 6);
    CTestArray picture;
    ASSERT_EQ(S_OK, m_pCamera->GetRGBPicture(&picture));
    const std::vector<BYTE> vecBytes = GetArrayBytes(picture.Get(), VT_UI1);
    ASSERT_EQ(80u * 6u * 3u, vecBytes.size());

    // Bars of 10 pixels: white, yellow, cyan, green, magenta, red, blue, black.
    const SBgr aBars[8] = { { 255, 255, 255 }, { 0, 255, 255 }, { 255, 255, 0 }, { 0, 255, 0 },
                            { 255, 0, 255 },   { 0, 0, 255 },   { 255, 0, 0 },   { 0, 0, 0 } };
    for (size_t y = 0; y < 6; ++y)
    {
        for (size_t nBar = 0; nBar < 8; ++nBar)
        {
            for (size_t x : { nBar * 10, nBar * 10 + 9 })
            {
                const SBgr px = GetBgr(vecBytes, y * 80 + x);
                EXPECT_EQ(aBars[nBar].b, px.b) << "x " << x << " y " << y;
                EXPECT_EQ(aBars[nBar].g, px.g) << "x " << x << " y " << y;
                EXPECT_EQ(aBars[nBar].r, px.r) << "x " << x << " y " << y;
            }
        }
    }
}

TEST_F(CSimTest, LivePicturesOnlyWhileStarted)
{
    ULONG nWidth = 1, nHeight = 1;
    LONG nBytesPerPixel = 1, nFormat = 1;
    CTestArray picture;
    EXPECT_EQ(E_PENDING, m_pCamera->Get3DLivePicture(&picture, &nWidth, &nHeight, &nBytesPerPixel, &nFormat));
    EXPECT_EQ(nullptr, picture.Get());
    EXPECT_EQ(0u, nWidth);
    EXPECT_EQ(0u, nHeight);
    EXPECT_EQ(0, nBytesPerPixel);
    EXPECT_EQ(0, nFormat);

    ASSERT_EQ(S_OK, m_pCamera->Open());
    ASSERT_EQ(S_OK, m_pCamera->Init());
    EXPECT_EQ(E_PENDING, m_pCamera->Get3DLivePicture(&picture, &nWidth, &nHeight, &nBytesPerPixel, &nFormat));
    ASSERT_EQ(S_OK, m_pCamera->Start());
    EXPECT_EQ(S_OK, WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs).hr);
    ASSERT_EQ(S_OK, m_pCamera->Stop());
    SetProp(LIVEFRAMERATE, 1000);
    Sleep(20);
    EXPECT_EQ(E_PENDING, m_pCamera->Get3DLivePicture(&picture, &nWidth, &nHeight, &nBytesPerPixel, &nFormat));
    EXPECT_EQ(0, GetErrorNumber()) << "no frame is no error";
}

TEST_F(CSimTest, LiveGreyFramesMove)
{
    SetProp(PICTUREWIDTH, 64);
    SetProp(PICTUREHEIGHT, 48);
    SetProp(LIVEFRAMERATE, 100);
    ASSERT_EQ(S_OK, m_pCamera->Open());
    ASSERT_EQ(S_OK, m_pCamera->Init());
    ASSERT_EQ(S_OK, m_pCamera->Start());

    const STestLiveFrame first = WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs);
    ASSERT_EQ(S_OK, first.hr);
    EXPECT_EQ(64u, first.nWidth);
    EXPECT_EQ(48u, first.nHeight);
    EXPECT_EQ(1, first.nBytesPerPixel);
    EXPECT_EQ(1, first.nFormat);
    ASSERT_EQ(64u * 48u, first.vecBytes.size());

    const STestLiveFrame second = WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs);
    ASSERT_EQ(S_OK, second.hr);
    ASSERT_EQ(first.vecBytes.size(), second.vecBytes.size());
    EXPECT_NE(first.vecBytes, second.vecBytes);

    // A second connection paces its own frames: its first comes at once.
    CTestPtr<IKIVOCamera3> pOther = CreateCamera();
    ASSERT_TRUE(pOther);
    CTestArray picture;
    ULONG nWidth = 0, nHeight = 0;
    LONG nBytesPerPixel = 0, nFormat = 0;
    EXPECT_EQ(S_OK, pOther->Get3DLivePicture(&picture, &nWidth, &nHeight, &nBytesPerPixel, &nFormat));
}

TEST_F(CSimTest, LiveColourFramesHaveFourBytesPerPixel)
{
    SetProp(PICTUREWIDTH, 48);
    SetProp(PICTUREHEIGHT, 16);
    SetProp(LIVEFORMAT, 0);
    ASSERT_EQ(S_OK, m_pCamera->Open());
    ASSERT_EQ(S_OK, m_pCamera->Init());
    ASSERT_EQ(S_OK, m_pCamera->Start());

    const STestLiveFrame frame = WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs);
    ASSERT_EQ(S_OK, frame.hr);
    EXPECT_EQ(48u, frame.nWidth);
    EXPECT_EQ(16u, frame.nHeight);
    EXPECT_EQ(4, frame.nBytesPerPixel);
    EXPECT_EQ(0, frame.nFormat);
    ASSERT_EQ(48u * 16u * 4u, frame.vecBytes.size());
    size_t nOpaque = 0;
    for (size_t i = 3; i < frame.vecBytes.size(); i += 4)
        nOpaque += frame.vecBytes[i] == 0xFF;
    EXPECT_EQ(48u * 16u, nOpaque);
    // The last row repeats the colour bars outside the moving square (whose
    // side is 2 pixels here and which starts in row 0 for the first frame).
    const BYTE* pLastRow = &frame.vecBytes[15 * 48 * 4];
    bool bHasColour = false;
    for (size_t x = 0; x < 48; ++x)
        bHasColour |= pLastRow[x * 4] != pLastRow[x * 4 + 2];
    EXPECT_TRUE(bHasColour);
}

TEST_F(CSimTest, LiveFramesArePacedByTheFrameRate)
{
    SetProp(PICTUREWIDTH, 16);
    SetProp(PICTUREHEIGHT, 16);
    SetProp(LIVEFRAMERATE, 5);
    ASSERT_EQ(S_OK, m_pCamera->Open());
    ASSERT_EQ(S_OK, m_pCamera->Init());
    ASSERT_EQ(S_OK, m_pCamera->Start());

    // Poll for a while: at 5 frames per second at most one frame per 200 ms
    // may come, however slow or fast the machine is.
    int nFrames = 0, nPending = 0;
    const ULONGLONG nStart = GetTickCount64();
    while (GetTickCount64() - nStart < 1200)
    {
        CTestArray picture;
        ULONG nWidth = 0, nHeight = 0;
        LONG nBytesPerPixel = 0, nFormat = 0;
        const HRESULT hr = m_pCamera->Get3DLivePicture(&picture, &nWidth, &nHeight, &nBytesPerPixel, &nFormat);
        if (hr == S_OK)
            ++nFrames;
        else if (hr == E_PENDING)
            ++nPending;
        else
            ADD_FAILURE() << "unexpected result " << std::hex << hr;
        Sleep(5);
    }
    const ULONGLONG nElapsedMs = GetTickCount64() - nStart;
    EXPECT_GE(nFrames, 1);
    EXPECT_GT(nPending, 0);
    EXPECT_LE(nFrames, static_cast<int>(nElapsedMs / 200 + 2)) << "elapsed " << nElapsedMs << " ms";
}

TEST_F(CSimTest, LiveFramesOfLargeCameras)
{
    SetProp(PICTUREWIDTH, 1280);
    SetProp(PICTUREHEIGHT, 1024);
    ASSERT_EQ(S_OK, m_pCamera->Open());
    ASSERT_EQ(S_OK, m_pCamera->Init());
    ASSERT_EQ(S_OK, m_pCamera->Start());
    const STestLiveFrame frame = WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs);
    ASSERT_EQ(S_OK, frame.hr);
    EXPECT_EQ(1280u * 1024u, frame.vecBytes.size());
}

// LIVEFRAMECOUNT: the live frames one connection received, for programs that
// measure how many pictures they showed.

TEST_F(CSimTest, LiveFrameCountCountsTheFramesOfThisConnection)
{
    CTestBstr bstrName;
    ASSERT_EQ(S_OK, m_pCamera->GetPropName(LIVEFRAMECOUNT, &bstrName));
    EXPECT_EQ(L"LIVEFRAMECOUNT", bstrName.GetText());
    EXPECT_EQ(0, GetPropLong(LIVEFRAMECOUNT));
    EXPECT_EQ(L"0", GetPropText(LIVEFRAMECOUNT));

    SetProp(PICTUREWIDTH, 32);
    SetProp(PICTUREHEIGHT, 24);
    SetProp(LIVEFRAMERATE, 100);
    ASSERT_EQ(S_OK, m_pCamera->Open());
    ASSERT_EQ(S_OK, m_pCamera->Init());
    EXPECT_EQ(E_PENDING, WaitForLiveFrame(m_pCamera.Get(), 0).hr);
    EXPECT_EQ(0, GetPropLong(LIVEFRAMECOUNT)) << "no frame before the start";

    ASSERT_EQ(S_OK, m_pCamera->Start());
    for (int n = 0; n < 3; ++n)
        ASSERT_EQ(S_OK, WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs).hr);
    // Polling between the frames answered E_PENDING many times: none of it counts.
    EXPECT_EQ(3, GetPropLong(LIVEFRAMECOUNT));
    EXPECT_EQ(L"3", GetPropText(LIVEFRAMECOUNT));

    // Each connection counts its own frames.
    CTestPtr<IKIVOCamera3> pOther = CreateCamera();
    ASSERT_TRUE(pOther);
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(S_OK, pOther->GetPropVariant(LIVEFRAMECOUNT, &v));
    EXPECT_EQ(0, V_I4(&v));
    ASSERT_EQ(S_OK, WaitForLiveFrame(pOther.Get(), g_nFrameTimeoutMs).hr);
    ASSERT_EQ(S_OK, pOther->GetPropVariant(LIVEFRAMECOUNT, &v));
    EXPECT_EQ(1, V_I4(&v));
    EXPECT_EQ(3, GetPropLong(LIVEFRAMECOUNT));

    // The count survives a stop and goes on after the next start.
    ASSERT_EQ(S_OK, m_pCamera->Stop());
    EXPECT_EQ(E_PENDING, WaitForLiveFrame(m_pCamera.Get(), 50).hr);
    EXPECT_EQ(3, GetPropLong(LIVEFRAMECOUNT));
    ASSERT_EQ(S_OK, m_pCamera->Start());
    ASSERT_EQ(S_OK, WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs).hr);
    EXPECT_EQ(4, GetPropLong(LIVEFRAMECOUNT));
}

TEST_F(CSimTest, LiveFrameCountIsReadOnly)
{
    ASSERT_EQ(S_OK, m_pCamera->Open());
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    V_I4(&v) = 77;
    EXPECT_EQ(E_ACCESSDENIED, m_pCamera->SetPropVariant(LIVEFRAMECOUNT, v));
    CTestBstr bstrValue(L"77");
    EXPECT_EQ(E_ACCESSDENIED, m_pCamera->SetPropValue(LIVEFRAMECOUNT, bstrValue.Get()));
    EXPECT_EQ(0, GetPropLong(LIVEFRAMECOUNT));
    EXPECT_EQ(L"0", GetPropText(LIVEFRAMECOUNT));
    EXPECT_EQ(0, GetErrorNumber()) << "a refused write records no error";
}

namespace
{
// Fetches live frames through its own proxy of a connection, on a thread of
// its own apartment, as a client's live picture thread does.
struct SProxyFetch
{
    IStream* pStream = nullptr;
    int nWanted = 0;
    int nReceived = 0;
    HRESULT hrUnmarshal = E_FAIL;
};

DWORD WINAPI FetchThroughOwnProxy(LPVOID pParam)
{
    SProxyFetch& fetch = *static_cast<SProxyFetch*>(pParam);
    const HRESULT hrInit = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IKIVOCamera3* pCamera = nullptr;
    fetch.hrUnmarshal = CoGetInterfaceAndReleaseStream(fetch.pStream, IID_IKIVOCamera3,
                                                       reinterpret_cast<void**>(&pCamera));
    fetch.pStream = nullptr;
    const ULONGLONG nEnd = GetTickCount64() + g_nFrameTimeoutMs;
    while (pCamera != nullptr && fetch.nReceived < fetch.nWanted && GetTickCount64() < nEnd)
    {
        SAFEARRAY* psa = nullptr;
        ULONG nWidth = 0, nHeight = 0;
        LONG nBytesPerPixel = 0, nFormat = 0;
        if (pCamera->Get3DLivePicture(&psa, &nWidth, &nHeight, &nBytesPerPixel, &nFormat) == S_OK)
            ++fetch.nReceived;
        if (psa != nullptr)
            SafeArrayDestroy(psa);
        Sleep(2);
    }
    if (pCamera != nullptr)
        pCamera->Release();
    if (SUCCEEDED(hrInit))
        CoUninitialize();
    return 0;
}
}

TEST_F(CSimTest, LiveFrameCountIncludesFramesFetchedThroughAnotherProxy)
{
    SetProp(PICTUREWIDTH, 32);
    SetProp(PICTUREHEIGHT, 24);
    SetProp(LIVEFRAMERATE, 100);
    ASSERT_EQ(S_OK, m_pCamera->Open());
    ASSERT_EQ(S_OK, m_pCamera->Init());
    ASSERT_EQ(S_OK, m_pCamera->Start());
    ASSERT_EQ(S_OK, WaitForLiveFrame(m_pCamera.Get(), g_nFrameTimeoutMs).hr);

    SProxyFetch fetch;
    fetch.nWanted = 2;
    ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID_IKIVOCamera3, m_pCamera.Get(), &fetch.pStream));
    HANDLE hThread = CreateThread(nullptr, 0, FetchThroughOwnProxy, &fetch, 0, nullptr);
    ASSERT_NE(nullptr, hThread);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(hThread, 60000));
    CloseHandle(hThread);

    ASSERT_EQ(S_OK, fetch.hrUnmarshal);
    ASSERT_EQ(2, fetch.nReceived);
    EXPECT_EQ(3, GetPropLong(LIVEFRAMECOUNT)) << "one connection, one count";
}
