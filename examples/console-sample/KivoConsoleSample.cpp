// KivoConsoleSample: connects to the camera server, opens the camera, and
// prints its state and a few properties from the connecting thread and from a
// second thread attached to the same connection.
#include <KivoClient.h>

#include <cstdio>

namespace
{
// COM for this thread, as long as the object lives; the client needs it on
// the thread that connects.
class CComApartment
{
public:
    CComApartment(const CComApartment&) = delete;
    CComApartment& operator=(const CComApartment&) = delete;
    explicit CComApartment(DWORD dwModel)
        : m_hr(CoInitializeEx(nullptr, dwModel))
    {
    }
    ~CComApartment()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }

private:
    HRESULT m_hr;
};

void PrintError(CKIVOClientException* pException)
{
    wchar_t szMessage[256];
    pException->GetErrorMessage(szMessage, 256);
    fwprintf(stderr, L"camera error: %ls\n", szMessage);
    pException->Delete();
}

void PrintProperty(CKIVOClient& client, tagEMVP eProp)
{
    CString strName = client.GetPropName(eProp);
    CString strValue = client.GetPropValue(eProp);
    wprintf(L"  %-14ls = %ls\n", static_cast<LPCWSTR>(strName), static_cast<LPCWSTR>(strValue));
}

// A second thread of the application: attach first, detach last.
DWORD WINAPI SecondThread(LPVOID pParam)
{
    CKIVOClient& client = *static_cast<CKIVOClient*>(pParam);
    try
    {
        client.ThreadAttach();
        tagEServerState eState = client.GetServerState();
        int nWidth = client.GetPropValueInt(PICTUREWIDTH);
        int nHeight = client.GetPropValueInt(PICTUREHEIGHT);
        wprintf(L"second thread %lu: camera %ls, pictures %d x %d\n", GetCurrentThreadId(),
                Kivo::GetServerStateName(eState), nWidth, nHeight);
    }
    catch (CKIVOClientException* pException)
    {
        PrintError(pException);
    }
    client.ThreadDetach();
    return 0;
}
}

int wmain()
{
    // A console program has no CWinApp: MFC is set up here, before any use.
    if (!AfxWinInit(::GetModuleHandleW(nullptr), nullptr, ::GetCommandLineW(), 0))
    {
        fwprintf(stderr, L"KivoConsoleSample: MFC could not be initialised\n");
        return 1;
    }
    CComApartment apartment(COINIT_APARTMENTTHREADED);
    int nResult = 0;
    {
        CKIVOClient client;
        try
        {
            client.Connect();
            client.Open(0);
            wprintf(L"connected; camera %ls\n", Kivo::GetServerStateName(client.GetServerState()));
            wprintf(L"properties:\n");
            const tagEMVP aeShown[] = { OWNER,      PICTUREWIDTH, PICTUREHEIGHT, LIVEWIDTH,
                                        LIVEHEIGHT, LIVECOLOR,    LIVEFORMAT,    LIVEFRAMERATE };
            for (tagEMVP eProp : aeShown)
                PrintProperty(client, eProp);

            HANDLE hThread = CreateThread(nullptr, 0, SecondThread, &client, 0, nullptr);
            if (hThread != nullptr)
            {
                // Wait while letting COM deliver calls to this apartment.
                DWORD dwIndex = 0;
                CoWaitForMultipleHandles(0, INFINITE, 1, &hThread, &dwIndex);
                CloseHandle(hThread);
            }
            client.Close(0);
            wprintf(L"closed; camera %ls\n", Kivo::GetServerStateName(client.GetServerState()));
        }
        catch (CKIVOClientException* pException)
        {
            PrintError(pException);
            nResult = 1;
        }
        client.Disconnect();
    }
    return nResult;
}
