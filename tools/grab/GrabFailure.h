// GrabFailure.h: the exit codes of kivo-grab and the failure that carries one.
#pragma once

#include <afx.h>

// Exit codes, as the usage text documents them. 5 is left out: Wine reports a
// crashed program with it.
enum EGrabExitCode
{
    GRAB_EXIT_OK = 0,
    GRAB_EXIT_CAMERA = 1,      // the camera server or the client library failed
    GRAB_EXIT_USAGE = 2,       // bad or missing arguments
    GRAB_EXIT_FILE = 3,        // a file could not be read or written
    GRAB_EXIT_NO_PICTURE = 4   // no live picture came within the time-out
};

// A failure of the tool itself (the library's own failures stay
// CKIVOClientException*). Thrown by value, caught by reference.
class CGrabFailure
{
public:
    CGrabFailure(EGrabExitCode eExitCode, const CString& strMessage)
        : m_eExitCode(eExitCode)
        , m_strMessage(strMessage)
    {
    }

    EGrabExitCode GetExitCode() const { return m_eExitCode; }
    const CString& GetMessage() const { return m_strMessage; }

private:
    EGrabExitCode m_eExitCode;
    CString m_strMessage;
};
