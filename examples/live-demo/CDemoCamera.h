// CDemoCamera.h: the demo's one connection to the camera server, and the
// order in which an acquisition program drives the camera through it.
#pragma once

#include <KivoClient.h>

// All calls come from the thread that connected (a single-threaded apartment),
// so no other thread attaches. Failures leave as CKIVOClientException*.
class CDemoCamera
{
public:
    CDemoCamera(const CDemoCamera&) = delete;
    CDemoCamera& operator=(const CDemoCamera&) = delete;
    CDemoCamera();
    ~CDemoCamera();

    // Connects, opens, initialises and orders the camera, then hands it the
    // live window, the key colour of the overlay and the live format. A
    // failure part-way leaves the session connected for Disconnect to undo.
    void Connect(HWND hLiveWindow, COLORREF crKeyColor, int nLiveFormat);
    BOOL IsConnected() const;

    // The camera's picture size, read at Connect.
    CSize GetPictureSize() const;

    // The picture area in the live window's client coordinates.
    void SetPictureArea(const CRect& rcArea);

    void StartLive();
    void StopLive();
    BOOL IsLive() const;

    // LIVEFORMAT of the simulator: 0 colour, 1 grey. A running live picture is
    // stopped for the change and started again.
    void SetLiveFormat(int nLiveFormat);
    int GetLiveFormat() const;

    tagEServerState QueryState();

    // The live pictures the server delivered to this connection (the live
    // picture thread fetches through it), and the seconds the live picture ran.
    int ReadFramesShown();
    double GetLiveSeconds() const;

    // Stop, release the order, close, disconnect: every step is taken, the
    // first failure is thrown afterwards.
    void Disconnect();

    CKIVOClient& GetClient();

    // Turns the library's frame-rate read-out on for live pictures started
    // from now on: a machine-wide registry switch. FALSE with the reason in
    // strError when it could not be written.
    static BOOL EnableFrameRateReadout(CString& strError);

    static const int m_nFormatColour = 0;
    static const int m_nFormatGrey = 1;

private:
    CKIVOClient m_client;
    BOOL m_bConnected;
    BOOL m_bLive;
    int m_nLiveFormat;
    CSize m_sizePicture;
    LONGLONG m_nLiveStart;   // performance counter at the start of the running run
    LONGLONG m_nLiveTicks;   // of the runs that ended
};
