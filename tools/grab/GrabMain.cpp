// GrabMain.cpp: kivo-grab, a console program for scripts. Each run connects to
// the camera server, opens and orders the camera, runs one command (a picture
// to a PNG file, properties, tables) and lets the camera go again.
#include <KivoClient.h>
#include <KivoComInit.h>

#include "GrabCommandLine.h"
#include "GrabCommands.h"
#include "GrabDiag.h"
#include "GrabFailure.h"
#include "GrabOutput.h"
#include "GrabSession.h"

namespace
{
// The client and the session end before COM does.
int RunCommand(const CGrabCommandLine& commandLine)
{
    CKIVOClient client;
    CGrabSession session(client);
    int nExitCode = GRAB_EXIT_OK;
    try
    {
        // diag times the process's first activation itself, before the session's.
        if (commandLine.m_eCommand == GRAB_COMMAND_DIAG)
            MeasureGrabActivation();
        session.Begin();
        RunGrabCommand(client, commandLine);
    }
    catch (CException* pException)
    {
        ReportGrabError(_T("camera error: ") + TakeExceptionMessage(pException));
        nExitCode = GRAB_EXIT_CAMERA;
    }
    catch (const CGrabFailure& failure)
    {
        ReportGrabError(failure.GetMessage());
        nExitCode = failure.GetExitCode();
    }

    CString strError;
    if (!session.End(strError))
    {
        ReportGrabError(_T("camera error while letting the camera go: ") + strError);
        if (nExitCode == GRAB_EXIT_OK)
            nExitCode = GRAB_EXIT_CAMERA;
    }
    return nExitCode;
}
}

int wmain(int argc, wchar_t* argv[])
{
    // A console program has no CWinApp: MFC is set up here, before any use.
    if (!AfxWinInit(::GetModuleHandleW(nullptr), nullptr, ::GetCommandLineW(), 0))
    {
        ReportGrabError(_T("MFC could not be initialised"));
        return GRAB_EXIT_CAMERA;
    }
    CGrabCommandLine commandLine;
    if (!commandLine.Parse(argc - 1, argv + 1))
    {
        ReportGrabError(commandLine.m_strError);
        WriteGrabError(_T("Run 'kivo-grab --help' for the usage.\r\n"));
        return GRAB_EXIT_USAGE;
    }
    if (commandLine.m_eCommand == GRAB_COMMAND_HELP)
    {
        WriteGrabOutput(CGrabCommandLine::GetUsage());
        return GRAB_EXIT_OK;
    }

    CKIVOComInit com(COINIT_APARTMENTTHREADED);
    if (FAILED(com.GetResult()))
    {
        CString strMessage;
        strMessage.Format(L"camera error: COM could not be initialised (0x%08lX)",
                          static_cast<unsigned long>(com.GetResult()));
        ReportGrabError(strMessage);
        return GRAB_EXIT_CAMERA;
    }
    return RunCommand(commandLine);
}
