// The simulated camera: states and errors, properties, the order.
#include "SimTestSupport.h"

#include "KivoComInit.h"
#include "KivoHandle.h"

#include <atomic>
#include <thread>

TEST_F(CSimTest, CommandsMoveThroughTheStatesOrFailWithAStickyError)
{
    using PCOMMAND = HRESULT (STDMETHODCALLTYPE IKIVOCamera::*)();
    // clang-format off
    const struct { const char* pszCommand; PCOMMAND pfn; HRESULT hr; tagEServerState eState; LONG nError; } aRows[] = {
        { "Stop", &IKIVOCamera::Stop, S_OK, SERVERSTATE_CLOSED, 0 },   // harmless when closed
        { "Init", &IKIVOCamera::Init, SimErrorHr(1), SERVERSTATE_CLOSED, 1 },
        { "Start", &IKIVOCamera::Start, SimErrorHr(1), SERVERSTATE_CLOSED, 1 },
        { "Reset", &IKIVOCamera::Reset, SimErrorHr(1), SERVERSTATE_CLOSED, 1 },
        { "Update", &IKIVOCamera::Update, SimErrorHr(1), SERVERSTATE_CLOSED, 1 },
        { "Open", &IKIVOCamera::Open, S_OK, SERVERSTATE_OPENED, 1 },   // the error stays until cleared
        { "ClearError", &IKIVOCamera::ClearError, S_OK, SERVERSTATE_OPENED, 0 },
        { "Open", &IKIVOCamera::Open, S_OK, SERVERSTATE_OPENED, 0 },
        { "Update", &IKIVOCamera::Update, S_OK, SERVERSTATE_OPENED, 0 },
        { "Start", &IKIVOCamera::Start, SimErrorHr(2), SERVERSTATE_OPENED, 2 },
        { "Init", &IKIVOCamera::Init, S_OK, SERVERSTATE_INITIALIZED, 2 },
        { "Start", &IKIVOCamera::Start, S_OK, SERVERSTATE_STARTED, 2 },
        { "Start", &IKIVOCamera::Start, S_OK, SERVERSTATE_STARTED, 2 },
        { "Init", &IKIVOCamera::Init, SimErrorHr(3), SERVERSTATE_STARTED, 3 },
        { "Stop", &IKIVOCamera::Stop, S_OK, SERVERSTATE_STOPPED, 3 },
        { "Stop", &IKIVOCamera::Stop, S_OK, SERVERSTATE_STOPPED, 3 },
        { "Start", &IKIVOCamera::Start, S_OK, SERVERSTATE_STARTED, 3 },   // a stopped camera starts again
        { "Stop", &IKIVOCamera::Stop, S_OK, SERVERSTATE_STOPPED, 3 },
        { "Init", &IKIVOCamera::Init, S_OK, SERVERSTATE_INITIALIZED, 3 },   // or is initialised again
        { "Start", &IKIVOCamera::Start, S_OK, SERVERSTATE_STARTED, 3 },
        { "Reset", &IKIVOCamera::Reset, S_OK, SERVERSTATE_OPENED, 0 },      // and Reset clears the error
        { "Close", &IKIVOCamera::Close, S_OK, SERVERSTATE_CLOSED, 0 },
    };
    // clang-format on
    const wchar_t* apszErrors[] = { L"No error", L"Camera is not open", L"Camera is not initialized",
                                    L"Camera is running" };
    CKIVOComPtr<IKIVOCamera3> pOther;   // every connection sees the one camera
    CreateCamera(pOther);
    ASSERT_FALSE(pOther.IsNull());
    for (size_t i = 0; i < sizeof(aRows) / sizeof(aRows[0]); ++i)
    {
        SCOPED_TRACE(std::to_string(i) + ": " + aRows[i].pszCommand);
        EXPECT_EQ(aRows[i].hr, (static_cast<IKIVOCamera*>(m_pCamera.Get())->*aRows[i].pfn)());
        EXPECT_EQ(aRows[i].eState, StateOf(pOther.Get()));
        EXPECT_EQ(aRows[i].nError, GetErrorNumber());
        EXPECT_EQ(apszErrors[aRows[i].nError], GetErrorText());
    }
}

TEST_F(CSimTest, OpensForAnAnnouncedProcess)
{
    EXPECT_EQ(E_INVALIDARG, m_pCamera->OpenForProcess(0));
    EXPECT_EQ(SERVERSTATE_CLOSED, StateOf(m_pCamera.Get()));
    ASSERT_EQ(S_OK, m_pCamera->OpenForProcess(GetCurrentProcessId()));
    EXPECT_EQ(SERVERSTATE_OPENED, StateOf(m_pCamera.Get()));
    EXPECT_EQ(S_OK, m_pCamera->RegisterClientProcess(GetCurrentProcessId()));
    EXPECT_EQ(E_INVALIDARG, m_pCamera->RegisterClientProcess(0));
    EXPECT_EQ(E_INVALIDARG, m_pCamera->RegisterClientProcess(0xFFFFFFF1u));   // no such process
}

TEST_F(CSimTest, PropertiesConvertBetweenTextIntegersAndVariants)
{
    const tagEMVP eFree = static_cast<tagEMVP>(7001);           // a number no other test writes
    EXPECT_EQ(L"0", GetPropText(static_cast<tagEMVP>(7999)));   // never written
    // clang-format off
    const struct { const wchar_t* pszText; LONG nValue; } aTexts[] = {
        { L"Ünïcode owner 42", 0 }, { L"  -17 ", -17 }, { L"+5", 5 }, { L"2147483647", 2147483647 },
        { L"-2147483648", -2147483647 - 1 }, { L"2147483648", 0 }, { L"12abc", 0 }, { L"0x10", 0 }, { L"", 0 },
    };
    // clang-format on
    for (const auto& row : aTexts)
    {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.pszText)));
        CTestBstr bstr(row.pszText);
        ASSERT_EQ(S_OK, m_pCamera->SetPropValue(eFree, bstr.Get()));
        EXPECT_EQ(row.nValue, GetPropLong(eFree));
        EXPECT_EQ(std::wstring(row.pszText), GetPropText(eFree));   // kept as written
    }
    // Texts are kept up to 65,536 characters; a longer one leaves the value as it was.
    const std::wstring strLongest(65536, L'7');
    CTestBstr bstrLongest(strLongest.c_str()), bstrTooLong(std::wstring(65537, L'8').c_str());
    ASSERT_EQ(S_OK, m_pCamera->SetPropValue(eFree, bstrLongest.Get()));
    EXPECT_EQ(E_INVALIDARG, m_pCamera->SetPropValue(eFree, bstrTooLong.Get()));
    EXPECT_EQ(strLongest, GetPropText(eFree));
    CTestBstr bstrNumber(L"42"), bstrWord(L"eleven");
    // clang-format off
    const struct { VARTYPE vt; LONGLONG nBits; HRESULT hr; LONG nValue; const wchar_t* pszText; } aVariants[] = {
        { VT_I2, static_cast<USHORT>(-300), S_OK, -300, L"-300" },
        { VT_UI4, 0xFF00FF00u, S_OK, static_cast<LONG>(0xFF00FF00u), L"-16711936" },   // COLORREF-like bits survive
        { VT_BSTR, 0, S_OK, 42, L"42" },
        { VT_BSTR, 1, DISP_E_TYPEMISMATCH, 42, L"42" },   // refused: nothing changes
        { VT_EMPTY, 0, DISP_E_TYPEMISMATCH, 42, L"42" },
        { VT_I8, 0x100000000LL, DISP_E_OVERFLOW, 42, L"42" },
    };
    // clang-format on
    for (const auto& row : aVariants)
    {
        SCOPED_TRACE(row.vt);
        VARIANT v;
        VariantInit(&v);
        V_VT(&v) = row.vt;
        V_I8(&v) = row.nBits;
        if (row.vt == VT_BSTR)
            V_BSTR(&v) = row.nBits == 0 ? bstrNumber.Get() : bstrWord.Get();
        EXPECT_EQ(row.hr, m_pCamera->SetPropVariant(eFree, v));
        EXPECT_EQ(row.nValue, GetPropLong(eFree));
        EXPECT_EQ(row.pszText, GetPropText(eFree));
    }
}

TEST_F(CSimTest, SimulatorPropertiesAreCheckedAndNamed)
{
    // clang-format off
    const struct { tagEMVP eProp; LONG nBad; LONG nGood; } aLimits[] = {
        { PICTUREWIDTH, 0, 1 }, { PICTUREWIDTH, 4097, 4096 }, { PICTUREHEIGHT, -1, 1 }, { PICTUREHEIGHT, 4097, 4096 },
        { LIVEFORMAT, 2, 0 }, { LIVEFORMAT, -1, 1 }, { LIVEFRAMERATE, 0, 1 }, { LIVEFRAMERATE, 1001, 1000 },
    };
    // clang-format on
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_I4;
    for (const auto& row : aLimits)
    {
        SCOPED_TRACE(testing::Message() << row.eProp << " " << row.nBad);
        V_I4(&v) = row.nGood;
        ASSERT_EQ(S_OK, m_pCamera->SetPropVariant(row.eProp, v));
        V_I4(&v) = row.nBad;
        EXPECT_EQ(E_INVALIDARG, m_pCamera->SetPropVariant(row.eProp, v));
        EXPECT_EQ(row.nGood, GetPropLong(row.eProp));
    }
    CTestBstr bstrWord(L"wide"), bstrCount(L"77");
    EXPECT_EQ(E_INVALIDARG, m_pCamera->SetPropValue(PICTUREWIDTH, bstrWord.Get()));
    EXPECT_EQ(E_ACCESSDENIED, m_pCamera->SetPropValue(LIVEFRAMECOUNT, bstrCount.Get()));   // read-only
    EXPECT_EQ(E_ACCESSDENIED, m_pCamera->SetPropValue(LIVECALLCOUNT, bstrCount.Get()));
    EXPECT_EQ(E_ACCESSDENIED, m_pCamera->SetPropValue(LIVEPENDINGCOUNT, bstrCount.Get()));
    EXPECT_EQ(0, GetErrorNumber()) << "a refused write records no error";

    // clang-format off

    const struct { LONG nProp; const wchar_t* pszName; } aNames[] = {
        { OWNER, L"OWNER" }, { LIVECOLOR, L"LIVECOLOR" }, { LIVEFRAMERATE, L"LIVEFRAMERATE" },
        { LIVEFRAMECOUNT, L"LIVEFRAMECOUNT" }, { LIVECALLCOUNT, L"LIVECALLCOUNT" }, { 51, L"Property 51" },
        { -3, L"Property -3" },
    };
    // clang-format on
    for (const auto& row : aNames)
    {
        CTestBstr bstr;
        ASSERT_EQ(S_OK, m_pCamera->GetPropName(static_cast<tagEMVP>(row.nProp), bstr.Receive()));
        EXPECT_EQ(std::wstring(row.pszName), bstr.GetText()) << row.nProp;
    }
}

TEST_F(CSimTest, OrderGoesToOneConnectionAtATimeAndOthersOnlyRead)
{
    CKIVOComPtr<IKIVOCamera3> pOther;
    CreateCamera(pOther);
    ASSERT_FALSE(pOther.IsNull());
    ASSERT_EQ(S_OK, m_pCamera->Open());
    EXPECT_EQ(1, OrderOf(m_pCamera.Get()));
    EXPECT_EQ(1, OrderOf(m_pCamera.Get())) << "ordering again keeps the order";
    EXPECT_EQ(0, OrderOf(pOther.Get()));
    LONG nReleased = -1;
    EXPECT_EQ(S_OK, pOther->ReleaseCamera(&nReleased));
    EXPECT_EQ(0, nReleased) << "only the holder releases";
    CTestBstr bstrOther(L"second client");
    CTestArray table(CreateLongArray({ 1 }));
    EXPECT_EQ(E_ACCESSDENIED, pOther->SetPropValue(OWNER, bstrOther.Get()));
    EXPECT_EQ(E_ACCESSDENIED, pOther->Init());
    EXPECT_EQ(E_ACCESSDENIED, pOther->AllocPicture(1));
    EXPECT_EQ(E_ACCESSDENIED, pOther->SetMeasureTab(table.Get()));
    EXPECT_EQ(SERVERSTATE_OPENED, StateOf(pOther.Get()));
    EXPECT_EQ(0, GetErrorNumber()) << "a refused command records no error";

    EXPECT_EQ(S_OK, m_pCamera->ReleaseCamera(&nReleased));
    EXPECT_EQ(1, nReleased);
    pOther.Reset();   // a released connection gives up its order
    CreateCamera(pOther);
    ASSERT_EQ(1, OrderOf(pOther.Get()));
    pOther.Reset();
    LONG nOrdered = 0;
    for (int i = 0; i < 200 && (nOrdered = OrderOf(m_pCamera.Get())) == 0; ++i)
        Sleep(50);   // the release reaches the server with the call
    EXPECT_EQ(1, nOrdered);
}

TEST_F(CSimTest, ExactlyOneOfManyConcurrentOrdersWins)
{
    const int nThreads = 6;
    std::atomic<int> nReady(0), nTried(0), nWinners(0);
    CKIVOHandle hGo(Kivo::CreateManualResetEvent());
    std::vector<std::thread> vecThreads;
    for (int i = 0; i < nThreads; ++i)
        vecThreads.emplace_back([&] {
            CKIVOComInit com(COINIT_MULTITHREADED);   // ends after the connection
            CKIVOComPtr<IKIVOCamera3> pCamera;
            CreateCamera(pCamera);
            ++nReady;
            WaitForSingleObject(hGo, 30000);
            nWinners += !pCamera.IsNull() ? OrderOf(pCamera.Get()) : 0;
            ++nTried;
            for (int n = 0; n < 3000 && nTried < nThreads; ++n)   // nobody lets go before all tried
                Sleep(10);
        });
    for (int i = 0; i < 3000 && nReady < nThreads; ++i)
        Sleep(10);
    SetEvent(hGo);
    for (std::thread& thread : vecThreads)
        thread.join();
    EXPECT_EQ(1, nWinners.load());
}
