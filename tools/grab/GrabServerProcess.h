// GrabServerProcess.h: the camera server's process, found as the running
// program that the camera class's LocalServer32 registration names, and the
// CPU time it has used.
#pragma once

#include <afx.h>
#include <KivoHandle.h>

#include <vector>

class CGrabServerProcess
{
public:
    CGrabServerProcess();
    CGrabServerProcess(const CGrabServerProcess&) = delete;
    CGrabServerProcess& operator=(const CGrabServerProcess&) = delete;

    // Ids of the processes that run the registered server program now. FALSE
    // when the registration cannot be read; the reason is in GetReason().
    BOOL FindRunning(std::vector<DWORD>& vecIds);

    // Opens the one process of the server for reading its CPU time. FALSE
    // when there is none, more than one, or it cannot be opened (GetReason()).
    BOOL Open();

    // User and kernel time the process has used, in milliseconds. FALSE when
    // the system cannot tell (GetReason()).
    BOOL ReadCpuMs(double& dMs);

    const CString& GetReason() const { return m_strReason; }

private:
    BOOL ReadRegisteredProgram();

    CString m_strProgram;   // the full path the registration names
    CString m_strReason;
    CKIVOHandle m_hProcess;
    DWORD m_dwProcessId;
};
