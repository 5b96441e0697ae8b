// KivoLiveDemo: how an acquisition program shows the camera's live picture
// through the client library. A main window with a live window child; the
// library paints the live picture into the child from its own thread, the
// application draws its overlay (crosshair, scale bar, caption) through the
// library's overlay device.
//
//   KivoLiveDemo.exe [--seconds N] [--screenshot FILE.png] [--fps] [--colour] [--help]
//
// At the exit it prints "frames shown N, frame rate F fps": N as counted by
// the camera server for this connection, F = N / seconds of live picture.
#include "CDemoOptions.h"
#include "CLiveDemoWindow.h"

#include <shellapi.h>

#include <cstdio>

namespace
{
BOOL ParseCommandLine(CDemoOptions& options, CString& strError)
{
    int nArgs = 0;
    LPWSTR* ppszArgs = CommandLineToArgvW(GetCommandLineW(), &nArgs);
    if (ppszArgs == nullptr)
    {
        strError = L"cannot read the command line";
        return FALSE;
    }
    const BOOL bParsed = options.Parse(nArgs - 1, ppszArgs + 1, strError);
    LocalFree(ppszArgs);
    return bParsed;
}
}

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, LPWSTR lpCmdLine, int nShowCmd)
{
    // The demo has its own WinMain and no CWinApp: MFC is set up here.
    if (!AfxWinInit(hInstance, nullptr, lpCmdLine, nShowCmd))
        return 1;
    CDemoOptions options;
    CString strError;
    if (!ParseCommandLine(options, strError))
    {
        fwprintf(stderr, L"KivoLiveDemo: %ls\n%ls", static_cast<LPCWSTR>(strError), CDemoOptions::GetUsage());
        return 2;
    }
    if (options.m_bHelp)
    {
        fwprintf(stdout, L"%ls", CDemoOptions::GetUsage());
        return 0;
    }

    // The library and its live picture need COM; this thread is the
    // application's user-interface thread, a single-threaded apartment.
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(hr))
    {
        fwprintf(stderr, L"KivoLiveDemo: CoInitializeEx failed: 0x%08lX\n", static_cast<unsigned long>(hr));
        return 1;
    }
    int nExitCode = 0;
    {
        CLiveDemoWindow window(options);
        nExitCode = window.Run(hInstance, nShowCmd);
        const double dSeconds = window.GetLiveSeconds();
        if (window.GetFramesShown() >= 0 && dSeconds > 0.0)
        {
            printf("frames shown %d, frame rate %.1f fps\n", window.GetFramesShown(),
                   window.GetFramesShown() / dSeconds);
            fflush(stdout);
        }
    }   // the client is gone before COM
    CoUninitialize();
    return nExitCode;
}
