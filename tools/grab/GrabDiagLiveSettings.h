// GrabDiagLiveSettings.h: the camera's live settings while kivo-grab diag lets
// the library show the live picture, and their restoration on every way out.
#pragma once

#include <KivoClient.h>

class CGrabDiagLiveSettings
{
public:
    // Reads the settings that Prepare changes, and whether the camera acquires.
    explicit CGrabDiagLiveSettings(CKIVOClient& client);
    CGrabDiagLiveSettings(const CGrabDiagLiveSettings&) = delete;
    CGrabDiagLiveSettings& operator=(const CGrabDiagLiveSettings&) = delete;
    ~CGrabDiagLiveSettings();   // Restore; failures are reported on stderr

    // The library draws the live picture into rcArea of hWnd, with crKey as
    // the overlay's key colour; the camera is initialised for it. A camera
    // found acquiring is stopped first, since Init refuses a running camera.
    void Prepare(HWND hWnd, const CRect& rcArea, COLORREF crKey);

    // Start(1) and Stop(1): the library's live picture thread and the camera.
    void Start();
    void Stop();

    // Stops what runs, writes every setting back and lets a camera found
    // acquiring acquire again; throws the first failure after trying all.
    void Restore();

private:
    enum
    {
        SAVED_COUNT = 9
    };
    static const tagEMVP s_aSaved[SAVED_COUNT];

    CKIVOClient& m_client;
    int m_anSaved[SAVED_COUNT];
    BOOL m_bFoundStarted;
    BOOL m_bRestore;
    BOOL m_bStarted;
};
