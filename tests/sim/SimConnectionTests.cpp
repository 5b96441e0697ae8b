// Activation, interfaces, IDispatch, the camera order and concurrent clients.
#include "SimTestSupport.h"

#include <atomic>
#include <thread>

namespace
{
DISPID GetDispId(IDispatch* pDispatch, const wchar_t* pszName)
{
    LPOLESTR pszNames[] = { const_cast<LPOLESTR>(pszName) };
    DISPID dispId = DISPID_UNKNOWN;
    EXPECT_EQ(S_OK, pDispatch->GetIDsOfNames(IID_NULL, pszNames, 1, LOCALE_USER_DEFAULT, &dispId)) << pszName;
    return dispId;
}
}

TEST(SimRegistration, NamesTheProgramTheProgIdsAndTheTypeLibrary)
{
    for (const wchar_t* pszProgId : { L"KivoCameraSim.Camera", L"KivoCameraSim.Camera.1" })
    {
        CLSID clsid = GUID_NULL;
        EXPECT_EQ(S_OK, CLSIDFromProgID(pszProgId, &clsid));
        EXPECT_TRUE(IsEqualCLSID(CLSID_KIVOCamera, clsid));
    }

    wchar_t szServer[MAX_PATH * 2] = {};
    DWORD cbServer = sizeof(szServer) - sizeof(wchar_t);
    ASSERT_EQ(ERROR_SUCCESS,
              RegGetValueW(HKEY_LOCAL_MACHINE,
                           L"Software\\Classes\\CLSID\\{1444EB98-7652-4C8B-A95F-2FA4283F9F2A}\\LocalServer32",
                           nullptr, RRF_RT_REG_SZ, nullptr, szServer, &cbServer));
    const std::wstring strServer = szServer;
    // The full path, quoted, so that paths with blanks work.
    const std::wstring strEnd = L"\\KivoCameraSim.exe\"";
    ASSERT_GT(strServer.size(), strEnd.size() + 3);
    EXPECT_EQ(L'"', strServer[0]);
    EXPECT_EQ(L':', strServer[2]);
    EXPECT_EQ(0, lstrcmpiW(strEnd.c_str(), strServer.c_str() + strServer.size() - strEnd.size())) << strServer;

    BSTR bstrLibrary = nullptr;
    EXPECT_EQ(S_OK, QueryPathOfRegTypeLib(LIBID_KivoCameraLib, 1, 0, LOCALE_NEUTRAL, &bstrLibrary));
    SysFreeString(bstrLibrary);
}

TEST_F(CSimTest, AnswersEveryInterfaceOnOneIdentity)
{
    CTestPtr<IUnknown> pUnknown1, pUnknown2;
    CTestPtr<IKIVOCamera> pCamera1;
    CTestPtr<IKIVOCamera2> pCamera2;
    CTestPtr<IDispatch> pDispatch;
    ASSERT_EQ(S_OK, m_pCamera.As(IID_IKIVOCamera, pCamera1));
    ASSERT_EQ(S_OK, m_pCamera.As(IID_IKIVOCamera2, pCamera2));
    ASSERT_EQ(S_OK, m_pCamera.As(IID_IDispatch, pDispatch));
    ASSERT_EQ(S_OK, pCamera1.As(IID_IUnknown, pUnknown1));
    ASSERT_EQ(S_OK, pDispatch.As(IID_IUnknown, pUnknown2));
    EXPECT_EQ(pUnknown1.Get(), pUnknown2.Get());

    // Calls through the base interfaces reach the same connection.
    ASSERT_EQ(S_OK, pCamera1->Open());
    tagEServerState eState = SERVERSTATE_FORCE_DWORD;
    ASSERT_EQ(S_OK, pCamera2->GetServerState(&eState));
    EXPECT_EQ(SERVERSTATE_OPENED, eState);

    CTestPtr<IClassFactory> pFactory;
    EXPECT_EQ(E_NOINTERFACE, m_pCamera.As(IID_IClassFactory, pFactory));
}

TEST_F(CSimTest, ConnectionsShareOneCamera)
{
    CTestPtr<IKIVOCamera3> pOther = CreateCamera();
    ASSERT_TRUE(pOther);
    ASSERT_EQ(S_OK, m_pCamera->Open());
    tagEServerState eState = SERVERSTATE_FORCE_DWORD;
    ASSERT_EQ(S_OK, pOther->GetServerState(&eState));
    EXPECT_EQ(SERVERSTATE_OPENED, eState);
}

TEST_F(CSimTest, DispatchCallsByName)
{
    CTestPtr<IDispatch> pDispatch;
    ASSERT_EQ(S_OK, m_pCamera.As(IID_IDispatch, pDispatch));
    UINT nCount = 0;
    ASSERT_EQ(S_OK, pDispatch->GetTypeInfoCount(&nCount));
    EXPECT_EQ(1u, nCount);

    DISPPARAMS noArgs = {};
    EXCEPINFO excep = {};
    UINT nArgErr = 0;
    ASSERT_EQ(S_OK, pDispatch->Invoke(GetDispId(pDispatch.Get(), L"Open"), IID_NULL, LOCALE_USER_DEFAULT,
                                      DISPATCH_METHOD, &noArgs, nullptr, &excep, &nArgErr));

    // GetServerState's [out] argument by reference.
    LONG nState = -1;
    VARIANT vArg;
    VariantInit(&vArg);
    V_VT(&vArg) = VT_BYREF | VT_I4;
    V_I4REF(&vArg) = &nState;
    DISPPARAMS oneArg = { &vArg, nullptr, 1, 0 };
    ASSERT_EQ(S_OK, pDispatch->Invoke(GetDispId(pDispatch.Get(), L"GetServerState"), IID_NULL,
                                      LOCALE_USER_DEFAULT, DISPATCH_METHOD, &oneArg, nullptr, &excep, &nArgErr));
    EXPECT_EQ(SERVERSTATE_OPENED, nState);

    // Arguments go in reverse order: SetPropValue(LIVEFRAMERATE, "30").
    CTestBstr bstrValue(L"30");
    VARIANT aArgs[2];
    VariantInit(&aArgs[0]);
    VariantInit(&aArgs[1]);
    V_VT(&aArgs[0]) = VT_BSTR;
    V_BSTR(&aArgs[0]) = bstrValue.Get();
    V_VT(&aArgs[1]) = VT_I4;
    V_I4(&aArgs[1]) = LIVEFRAMERATE;
    DISPPARAMS twoArgs = { aArgs, nullptr, 2, 0 };
    ASSERT_EQ(S_OK, pDispatch->Invoke(GetDispId(pDispatch.Get(), L"SetPropValue"), IID_NULL, LOCALE_USER_DEFAULT,
                                      DISPATCH_METHOD, &twoArgs, nullptr, &excep, &nArgErr));
    EXPECT_EQ(30, GetPropLong(LIVEFRAMERATE));

    LPOLESTR pszUnknown[] = { const_cast<LPOLESTR>(L"NoSuchMethod") };
    DISPID dispId = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, pDispatch->GetIDsOfNames(IID_NULL, pszUnknown, 1, LOCALE_USER_DEFAULT, &dispId));
}

TEST_F(CSimTest, DispatchReportsAFailingCommand)
{
    CTestPtr<IDispatch> pDispatch;
    ASSERT_EQ(S_OK, m_pCamera.As(IID_IDispatch, pDispatch));
    DISPPARAMS noArgs = {};
    EXCEPINFO excep = {};
    UINT nArgErr = 0;
    // Init on the closed camera fails; automation reports it as an exception.
    const HRESULT hr = pDispatch->Invoke(GetDispId(pDispatch.Get(), L"Init"), IID_NULL, LOCALE_USER_DEFAULT,
                                         DISPATCH_METHOD, &noArgs, nullptr, &excep, &nArgErr);
    EXPECT_EQ(DISP_E_EXCEPTION, hr);
    EXPECT_EQ(SimErrorHr(1), excep.scode);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    EXPECT_EQ(1, GetErrorNumber());
}

TEST_F(CSimTest, OrderGoesToOneConnectionAtATime)
{
    CTestPtr<IKIVOCamera3> pOther = CreateCamera();
    ASSERT_TRUE(pOther);
    ASSERT_EQ(S_OK, m_pCamera->Open());
    CTestBstr bstrMine(L"first client");
    ASSERT_EQ(S_OK, m_pCamera->SetPropValue(OWNER, bstrMine.Get()));

    EXPECT_EQ(1, Order(m_pCamera.Get()));
    EXPECT_EQ(1, Order(m_pCamera.Get())) << "ordering again keeps the order";
    EXPECT_EQ(0, Order(pOther.Get()));
    EXPECT_EQ(0, ReleaseOrder(pOther.Get())) << "only the holder releases";

    // The other connection reads but changes nothing while the camera is ordered.
    CTestBstr bstrOther(L"second client");
    EXPECT_EQ(E_ACCESSDENIED, pOther->SetPropValue(OWNER, bstrOther.Get()));
    EXPECT_EQ(E_ACCESSDENIED, pOther->Init());
    EXPECT_EQ(E_ACCESSDENIED, pOther->Close());
    EXPECT_EQ(E_ACCESSDENIED, pOther->AllocPicture(1));
    CTestArray table(CreateLongArray({ 1 }));
    EXPECT_EQ(E_ACCESSDENIED, pOther->SetMeasureTab(table.Get()));
    EXPECT_EQ(L"first client", GetPropText(OWNER));
    EXPECT_EQ(0, GetErrorNumber()) << "a refused command records no error";
    tagEServerState eState = SERVERSTATE_FORCE_DWORD;
    EXPECT_EQ(S_OK, pOther->GetServerState(&eState));
    EXPECT_EQ(SERVERSTATE_OPENED, eState);

    EXPECT_EQ(1, ReleaseOrder(m_pCamera.Get()));
    EXPECT_EQ(0, ReleaseOrder(m_pCamera.Get()));
    EXPECT_EQ(1, Order(pOther.Get()));
    EXPECT_EQ(S_OK, pOther->SetPropValue(OWNER, bstrOther.Get()));
    EXPECT_EQ(0, Order(m_pCamera.Get()));
    EXPECT_EQ(1, ReleaseOrder(pOther.Get()));
}

TEST_F(CSimTest, ReleasingAConnectionReleasesItsOrder)
{
    CTestPtr<IKIVOCamera3> pOther = CreateCamera();
    ASSERT_TRUE(pOther);
    ASSERT_EQ(1, Order(pOther.Get()));
    ASSERT_EQ(0, Order(m_pCamera.Get()));
    pOther.Release();
    // The release reaches the server with the call; allow for a slow machine.
    LONG nOrdered = 0;
    for (int i = 0; i < 200 && nOrdered == 0; ++i)
    {
        nOrdered = Order(m_pCamera.Get());
        if (nOrdered == 0)
            Sleep(50);
    }
    EXPECT_EQ(1, nOrdered);
}

TEST_F(CSimTest, ExactlyOneOfManyConcurrentOrdersWins)
{
    const int nThreads = 6;
    std::atomic<int> nReady(0), nOrdered(0), nWinners(0), nFailures(0);
    HANDLE hGo = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(nullptr, hGo);
    std::vector<std::thread> vecThreads;
    for (int i = 0; i < nThreads; ++i)
    {
        vecThreads.emplace_back([&] {
            CTestComScope com;
            IKIVOCamera3* pCamera = nullptr;
            if (FAILED(CoCreateInstance(CLSID_KIVOCamera, nullptr, CLSCTX_LOCAL_SERVER, IID_IKIVOCamera3,
                                        reinterpret_cast<void**>(&pCamera))))
            {
                ++nFailures;
                ++nReady;
                ++nOrdered;
                return;
            }
            ++nReady;
            WaitForSingleObject(hGo, 30000);
            VARIANT v;
            VariantInit(&v);
            if (FAILED(pCamera->OrderCamera(&v)) || V_VT(&v) != VT_I4)
                ++nFailures;
            else if (V_I4(&v) == 1)
                ++nWinners;
            // Nobody lets go of a connection (and so of the order) before all
            // have tried.
            ++nOrdered;
            for (int n = 0; n < 3000 && nOrdered < nThreads; ++n)
                Sleep(10);
            // Property writes from many threads at once; the winner's succeed.
            for (LONG n = 0; n < 20; ++n)
            {
                VARIANT vValue;
                VariantInit(&vValue);
                V_VT(&vValue) = VT_I4;
                V_I4(&vValue) = n;
                const HRESULT hr = pCamera->SetPropVariant(static_cast<tagEMVP>(5000), vValue);
                if (hr != S_OK && hr != E_ACCESSDENIED)
                    ++nFailures;
            }
            pCamera->Release();
        });
    }
    for (int i = 0; i < 3000 && nReady < nThreads; ++i)
        Sleep(10);
    SetEvent(hGo);
    for (std::thread& thread : vecThreads)
        thread.join();
    CloseHandle(hGo);
    EXPECT_EQ(0, nFailures.load());
    EXPECT_EQ(1, nWinners.load());
    EXPECT_EQ(19, GetPropLong(static_cast<tagEMVP>(5000)));
}
