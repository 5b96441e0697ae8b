// GrabSession.h: one run's hold on the camera: connected, opened, ordered, and
// undone in reverse on every way out.
#pragma once

#include <KivoClient.h>

class CGrabSession
{
public:
    explicit CGrabSession(CKIVOClient& client);
    CGrabSession(const CGrabSession&) = delete;
    CGrabSession& operator=(const CGrabSession&) = delete;
    ~CGrabSession();   // ends what is still held; failures are reported on stderr

    // Connect, Open(0), OrderCamera. Throws CKIVOClientException* or CGrabFailure;
    // what was reached before the failure is still ended by End.
    void Begin();

    // Close, ReleaseCamera, Disconnect, each for what Begin reached, each tried
    // even when an earlier one failed. FALSE: the first failure is in strError.
    BOOL End(CString& strError);

private:
    CKIVOClient& m_client;
    BOOL m_bConnected;
    BOOL m_bOpened;
    BOOL m_bOrdered;
};
