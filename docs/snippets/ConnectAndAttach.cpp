// Connecting, and a second thread of the application using the same client.
#include "GuideSnippets.h"

#include <cstdio>

// snippet: worker-thread
DWORD WINAPI MeasureThread(LPVOID pParam)
{
    CKIVOClient* pClient = static_cast<CKIVOClient*>(pParam);
    try
    {
        pClient->ThreadAttach();   // first: this thread gets its own server interface
        int nWidth = pClient->GetPropValueInt(PICTUREWIDTH);
        wprintf(L"picture width %d\n", nWidth);
    }
    catch (CKIVOClientException* pException)
    {
        wchar_t szMessage[256];
        pException->GetErrorMessage(szMessage, 256);
        fwprintf(stderr, L"%ls\n", szMessage);
        pException->Delete();
    }
    pClient->ThreadDetach();   // last, also after a failure
    return 0;
}
// end snippet

// snippet: connect
int RunSession()
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);   // the application initialises COM
    int nResult = 0;
    {
        CKIVOClient client;
        try
        {
            client.Connect();           // this thread is attached from now on
            if (client.OrderCamera())   // else the server refuses Open and Close to this client
            {
                client.Open(1);
                HANDLE hThread = CreateThread(nullptr, 0, MeasureThread, &client, 0, nullptr);
                DWORD dwIndex;
                CoWaitForMultipleHandles(0, INFINITE, 1, &hThread, &dwIndex);
                CloseHandle(hThread);
                client.Close(1);
                client.ReleaseCamera();
            }
        }
        catch (CKIVOClientException* pException)
        {
            nResult = pException->GetErrorNumber();
            pException->Delete();
        }
        client.Disconnect();   // drops this thread's interface; the connection ends with the object
    }
    CoUninitialize();
    return nResult;
}
// end snippet
