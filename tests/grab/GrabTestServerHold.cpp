// GrabTestServerHold: holds one connection to the camera server while the
// kivo-grab tests run. The simulator ends about a second after its last
// connection goes, and its camera state with it; held, it lasts from one
// kivo-grab run to the next like a camera server that keeps running.
//
// Prints "connected" once the connection stands, then holds it until standard
// input ends. Exit code 0, or 1 when the server could not be reached.
#include <windows.h>
#include <KivoCamera.h>

#include <cstdio>

int wmain()
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)))
        return 1;
    int nResult = 1;
    IKIVOCamera2* pCamera = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_KIVOCamera, nullptr, CLSCTX_LOCAL_SERVER, IID_IKIVOCamera2,
                                  reinterpret_cast<void**>(&pCamera));
    if (SUCCEEDED(hr) && pCamera != nullptr)
    {
        // Tied to this process, the connection ends even if the tests kill it.
        pCamera->RegisterClientProcess(GetCurrentProcessId());
        fputs("connected\n", stdout);
        fflush(stdout);
        char achBuffer[256];
        DWORD dwRead = 0;
        HANDLE hInput = GetStdHandle(STD_INPUT_HANDLE);
        while (ReadFile(hInput, achBuffer, sizeof(achBuffer), &dwRead, nullptr) && dwRead > 0)
        {
        }
        pCamera->Release();
        nResult = 0;
    }
    else
    {
        fprintf(stderr, "no connection to the camera server: 0x%08lX\n", static_cast<unsigned long>(hr));
    }
    CoUninitialize();
    return nResult;
}
