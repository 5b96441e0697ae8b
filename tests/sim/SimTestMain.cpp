// Test program of the camera simulator. Run with the child-client option it
// is the client process that the lifetime tests let crash.
#include "SimTestSupport.h"

#include <cstdio>
#include <cstring>

const char g_szChildOption[] = "--sim-crashing-client";

int RunChildClient(const char* pszEventPrefix)
{
    CTestComScope com;
    if (FAILED(com.GetResult()))
        return 3;
    const std::string strPrefix = pszEventPrefix;
    HANDLE hReady = OpenEventA(EVENT_MODIFY_STATE, FALSE, (strPrefix + "-ready").c_str());
    HANDLE hGo = OpenEventA(SYNCHRONIZE, FALSE, (strPrefix + "-go").c_str());
    if (hReady == nullptr || hGo == nullptr)
        return 4;
    IKIVOCamera3* pCamera = nullptr;
    if (FAILED(CoCreateInstance(CLSID_KIVOCamera, nullptr, CLSCTX_LOCAL_SERVER, IID_IKIVOCamera3,
                                reinterpret_cast<void**>(&pCamera))))
        return 5;
    VARIANT vOrdered;
    VariantInit(&vOrdered);
    if (FAILED(pCamera->RegisterClientProcess(GetCurrentProcessId())) || FAILED(pCamera->OrderCamera(&vOrdered)) ||
        V_VT(&vOrdered) != VT_I4 || V_I4(&vOrdered) != 1)
        return 6;
    SetEvent(hReady);
    WaitForSingleObject(hGo, 60000);
    // A crash: nothing is released, COM is not shut down.
    TerminateProcess(GetCurrentProcess(), 9);
    return 9;
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], g_szChildOption) == 0)
        return RunChildClient(argv[2]);

    ::testing::InitGoogleTest(&argc, argv);
    CTestComScope com;
    if (FAILED(com.GetResult()))
    {
        fprintf(stderr, "CoInitializeEx failed: 0x%08lX\n", static_cast<unsigned long>(com.GetResult()));
        return 1;
    }
    const int nResult = RUN_ALL_TESTS();
    ReleaseKeptServer();
    return nResult;
}
