// GrabSession.cpp: one run's hold on the camera.
#include "GrabSession.h"
#include "GrabFailure.h"
#include "GrabOutput.h"

CGrabSession::CGrabSession(CKIVOClient& client)
    : m_client(client)
    , m_bConnected(FALSE)
    , m_bOpened(FALSE)
    , m_bOrdered(FALSE)
{
}

CGrabSession::~CGrabSession()
{
    CString strError;
    if (!End(strError))
        ReportGrabError(strError);
}

void CGrabSession::Begin()
{
    m_client.Connect();
    // Connect stays unconnected without throwing when it cannot share the
    // interface between threads; nothing would work after that.
    if (!m_client.IsConnected())
    {
        m_client.Disconnect();
        throw CGrabFailure(GRAB_EXIT_CAMERA, _T("could not connect to the camera server"));
    }
    m_bConnected = TRUE;
    m_client.Open(0);
    m_bOpened = TRUE;
    m_bOrdered = m_client.OrderCamera() != 0;
    if (!m_bOrdered)
        throw CGrabFailure(GRAB_EXIT_CAMERA, _T("the camera is ordered by another client"));
}

BOOL CGrabSession::End(CString& strError)
{
    strError.Empty();
    // Each step undoes one of Begin's, and runs at most once.
    auto attempt = [&](BOOL& bHeld, BOOL bRun, auto step) {
        if (!bHeld)
            return;
        bHeld = FALSE;
        if (!bRun)
            return;
        try
        {
            step();
        }
        catch (CException* pException)
        {
            CString strMessage = TakeExceptionMessage(pException);
            if (strError.IsEmpty())
                strError = strMessage;
            else
                ReportGrabError(strMessage);
        }
    };
    // Without the order the camera is someone else's: it is not closed under them.
    attempt(m_bOpened, m_bOrdered, [&] { m_client.Close(0); });
    attempt(m_bOrdered, TRUE, [&] { m_client.ReleaseCamera(); });
    attempt(m_bConnected, TRUE, [&] { m_client.Disconnect(); });
    return strError.IsEmpty();
}
