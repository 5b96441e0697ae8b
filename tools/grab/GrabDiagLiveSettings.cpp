// GrabDiagLiveSettings.cpp: the live settings of kivo-grab diag, restored.
#include "GrabDiagLiveSettings.h"
#include "GrabCleanupSteps.h"
#include "GrabOutput.h"

// In the order they are written back: the window last, once nothing draws into it.
const tagEMVP CGrabDiagLiveSettings::s_aSaved[SAVED_COUNT] = {
    LIVEDISPLAY, LIVECOLOR, LIVELEFT, LIVETOP, LIVEWIDTH, LIVEHEIGHT, LIVEFORMAT, CONTROLFLAGS, LIVEWINDOW,
};

CGrabDiagLiveSettings::CGrabDiagLiveSettings(CKIVOClient& client)
    : m_client(client)
    , m_bFoundStarted(FALSE)
    , m_bRestore(FALSE)
    , m_bStarted(FALSE)
{
    for (int i = 0; i < SAVED_COUNT; ++i)
        m_anSaved[i] = client.GetPropValueInt(s_aSaved[i]);
    m_bFoundStarted = client.GetServerState() == SERVERSTATE_STARTED;
    m_bRestore = TRUE;
}

CGrabDiagLiveSettings::~CGrabDiagLiveSettings()
{
    try
    {
        Restore();
    }
    catch (CException* pException)
    {
        ReportGrabError(TakeExceptionMessage(pException));
    }
}

void CGrabDiagLiveSettings::Prepare(HWND hWnd, const CRect& rcArea, COLORREF crKey)
{
    // The property holds the window handle as a 32-bit number, as handles are
    // shared between 32- and 64-bit processes.
    m_client.SetPropValueInt(LIVEWINDOW, static_cast<int>(reinterpret_cast<INT_PTR>(hWnd)));
    m_client.SetPropValueInt(LIVELEFT, rcArea.left);
    m_client.SetPropValueInt(LIVETOP, rcArea.top);
    m_client.SetPropValueInt(LIVEWIDTH, rcArea.Width());
    m_client.SetPropValueInt(LIVEHEIGHT, rcArea.Height());
    m_client.SetPropValueInt(LIVECOLOR, static_cast<int>(crKey));
    m_client.SetPropValueInt(LIVEDISPLAY, 1);
    // The library's live picture thread, not the tool, fetches the pictures.
    m_client.EnablePollLivePictures(0);
    if (m_bFoundStarted)
        m_client.Stop(0);
    m_client.Init();   // lets the library draw the live picture itself
}

void CGrabDiagLiveSettings::Start()
{
    m_bStarted = TRUE;   // a Start that failed half-way is stopped all the same
    m_client.Start(1);
}

void CGrabDiagLiveSettings::Stop()
{
    if (!m_bStarted)
        return;
    m_bStarted = FALSE;
    m_client.Stop(1);
}

void CGrabDiagLiveSettings::Restore()
{
    CGrabCleanupSteps steps;
    steps.Run([&] { Stop(); });
    if (m_bRestore)
    {
        m_bRestore = FALSE;
        for (int i = 0; i < SAVED_COUNT; ++i)
            steps.Run([&] { m_client.SetPropValueInt(s_aSaved[i], m_anSaved[i]); });
        if (m_bFoundStarted)
        {
            // Acquiring again as found, without a live picture thread of this tool.
            steps.Run([&] {
                m_client.EnablePollLivePictures(1);
                m_client.Start(0);
            });
        }
    }
    steps.ThrowIfAny();
}
