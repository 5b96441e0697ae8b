// An application of the unpacked package: connects to the camera server,
// prints its state, and catches an error that the library's DLL throws.
// Exit code 0 only when the exception arrived here with error number 6.
#include <KivoClient.h>

#include <cstdio>

int wmain()
{
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 3;
    int nResult = 1;
    {
        CKIVOClient client;
        try
        {
            client.Connect();
            wprintf(L"connected\n");
            wprintf(L"server state %d\n", static_cast<int>(client.GetServerState()));
            try
            {
                client.AllocPicture(-1);
                wprintf(L"AllocPicture(-1) threw nothing\n");
            }
            catch (CKIVOClientException* pException)
            {
                wchar_t szMessage[256];
                pException->GetErrorMessage(szMessage, 256);
                wprintf(L"caught CKIVOClientException %d: %ls\n", static_cast<int>(pException->GetErrorNumber()),
                        szMessage);
                nResult = pException->GetErrorNumber() == CEXC_INVALID_ARGUMENT ? 0 : 1;
                pException->Delete();
            }
        }
        catch (CKIVOClientException* pException)
        {
            wchar_t szMessage[256];
            pException->GetErrorMessage(szMessage, 256);
            wprintf(L"camera error: %ls\n", szMessage);
            pException->Delete();
            nResult = 2;
        }
        client.Disconnect();
    }
    CoUninitialize();
    return nResult;
}
