// Test program of the camera simulator. Run with the child-client option it
// is the client process that the lifetime test lets crash.
#include "SimTestSupport.h"
#include "KivoComInit.h"

#include <cstring>

const char g_szChildOption[] = "--sim-crashing-client";

namespace
{
// Connects, announces itself, orders the camera, signals "<prefix>-ready" and
// on "<prefix>-go" ends without releasing anything.
int RunChildClient(const std::string& strPrefix)
{
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    HANDLE hReady = OpenEventA(EVENT_MODIFY_STATE, FALSE, (strPrefix + "-ready").c_str());
    HANDLE hGo = OpenEventA(SYNCHRONIZE, FALSE, (strPrefix + "-go").c_str());
    IKIVOCamera3* pCamera = nullptr;
    if (hReady == nullptr || hGo == nullptr
        || FAILED(CoCreateInstance(CLSID_KIVOCamera, nullptr, CLSCTX_LOCAL_SERVER, IID_IKIVOCamera3,
                                   reinterpret_cast<void**>(&pCamera)))
        || FAILED(pCamera->RegisterClientProcess(GetCurrentProcessId())) || OrderOf(pCamera) != 1)
        return 4;
    SetEvent(hReady);
    WaitForSingleObject(hGo, 60000);
    TerminateProcess(GetCurrentProcess(), 9);   // a crash: nothing released, COM not shut down
    return 9;
}
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], g_szChildOption) == 0)
        return RunChildClient(argv[2]);
    ::testing::InitGoogleTest(&argc, argv);
    CKIVOComInit com(COINIT_MULTITHREADED);
    if (FAILED(com.GetResult()))
        return 1;
    const int nResult = RUN_ALL_TESTS();
    ReleaseKeptServer();
    return nResult;
}
