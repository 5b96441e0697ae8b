// KivoLiveLoop.cpp: the live picture thread.
//
// No exception ever leaves the thread: every failure is caught where it is
// raised and decides where the run goes on.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoGdiplus.h"

DWORD CKIVOClientThread::RunLiveThread()
{
    CKIVOClient* pClient = m_pClient;
    BOOL bStartPending = TRUE;

    if (pClient != NULL)
    {
        IKIVOCamera3* pCamera3 = NULL;
        try
        {
            pClient->ThreadAttach();
            CKIVOGdiplusScope gdiplus;
            IKIVOCamera* pCamera = pClient->GetICamera();
            if (pCamera != NULL)
                pCamera->QueryInterface(IID_IKIVOCamera3, reinterpret_cast<void**>(&pCamera3));
            if (pCamera3 != NULL)
            {
                SetEvent(m_hStartedEvent);
                bStartPending = FALSE;
                WaitForSingleObject(m_hStopEvent, INFINITE);
            }
        }
        catch (CException* pException)
        {
            pException->Delete();
        }
        if (pCamera3 != NULL)
            pCamera3->Release();
        pClient->ThreadDetach();
    }

    if (bStartPending)
        SetEvent(m_hStartedEvent);
    return 0;
}
