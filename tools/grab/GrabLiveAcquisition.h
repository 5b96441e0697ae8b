// GrabLiveAcquisition.h: live acquisition for the commands that save live
// pictures, and the checks every picture of the camera passes before it is read.
#pragma once

#include <KivoClient.h>
#include <KivoSafeArray.h>

#include <memory>

#include "GrabPngWriter.h"

// The buffer size of a picture; throws CGrabFailure (GRAB_EXIT_CAMERA) when the
// camera reports a size no buffer of int length can hold.
int GetGrabPictureBytes(int nWidth, int nHeight, int nBytesPerPixel);

// One live picture that passed the checks: its size matches its bytes and its
// format is the one asked for. It owns the camera's array, locked for reading.
class CGrabLivePicture
{
public:
    CGrabLivePicture()
        : m_nWidth(0)
        , m_nHeight(0)
        , m_eLayout(GRAB_PIXELS_GREY8)
        , m_dArrivalMs(0)
    {
    }
    CGrabLivePicture(const CGrabLivePicture&) = delete;
    CGrabLivePicture& operator=(const CGrabLivePicture&) = delete;

    int GetWidth() const { return m_nWidth; }
    int GetHeight() const { return m_nHeight; }
    EGrabPixelLayout GetLayout() const { return m_eLayout; }
    const BYTE* GetPixels() const { return static_cast<const BYTE*>(m_picture.GetData()); }
    // KivoFrameClockMs when the camera's answer with the picture came back.
    double GetArrivalMs() const { return m_dArrivalMs; }

private:
    friend class CGrabLiveAcquisition;

    CKIVOSafeArrayHolder m_picture;
    int m_nWidth;
    int m_nHeight;
    EGrabPixelLayout m_eLayout;
    double m_dArrivalMs;
};

// Live acquisition: the tool polls the pictures itself. It changes LIVEFORMAT,
// and Init marks CONTROLFLAGS for a client-drawn live picture; both are written
// back, and a camera started here is stopped, on every way out.
class CGrabLiveAcquisition
{
public:
    explicit CGrabLiveAcquisition(CKIVOClient& client);
    CGrabLiveAcquisition(const CGrabLiveAcquisition&) = delete;
    CGrabLiveAcquisition& operator=(const CGrabLiveAcquisition&) = delete;
    ~CGrabLiveAcquisition();   // Finish; a failure is reported on stderr

    // Grey or colour pictures; starts the camera unless it is acquiring already.
    void Start(BOOL bColour);

    // Polls until a picture comes and checks it. Throws CGrabFailure
    // (GRAB_EXIT_NO_PICTURE) when none came within dwTimeoutMs, or returns null
    // when dwStopMs passed first.
    std::unique_ptr<CGrabLivePicture> FetchPicture(DWORD dwTimeoutMs, DWORD dwStopMs = INFINITE);

    // Stops and writes the settings back; throws the first failure after trying all.
    void Finish();

private:
    void CheckPicture(CGrabLivePicture& picture, unsigned long nWidth, unsigned long nHeight, int bGrey) const;

    CKIVOClient& m_client;
    int m_nSavedFormat;
    int m_nSavedFlags;
    BOOL m_bRestore;
    BOOL m_bStarted;
    BOOL m_bColour;
};
