// Entry point of KivoMfc.dll: the per-thread handle maps live as long as their
// thread, or until the library is unloaded.
#include "AfxHandleMap.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE /* hInstance */, DWORD dwReason, LPVOID lpReserved)
{
    switch (dwReason)
    {
    case DLL_PROCESS_ATTACH: return AfxInitProcessHandleMaps();
    case DLL_THREAD_DETACH: AfxTermThreadHandleMaps(); break;
    case DLL_PROCESS_DETACH:
        // At process exit the other threads are gone and the memory goes with
        // the process; only an unload frees the maps.
        if (lpReserved == nullptr)
            AfxTermProcessHandleMaps();
        break;
    }
    return TRUE;
}
