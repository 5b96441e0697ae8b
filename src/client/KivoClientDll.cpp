// KivoClientDll.cpp: start-up of KivoClient.dll as an MFC extension library.
#include "stdafx.h"

static AFX_EXTENSION_MODULE s_KivoClientDll = { 0, nullptr, nullptr };

extern "C" int APIENTRY DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        if (!AfxInitExtensionModule(s_KivoClientDll, hInstance))
            return 0;
        new CDynLinkLibrary(s_KivoClientDll);
    }
    else if (dwReason == DLL_PROCESS_DETACH)
    {
        AfxTermExtensionModule(s_KivoClientDll);
    }
    return 1;
}
