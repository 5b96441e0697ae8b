// GrabLiveAcquisition.cpp: live acquisition for the commands that save live
// pictures, and the checks every picture of the camera passes before it is read.
#include "GrabLiveAcquisition.h"
#include "GrabCleanupSteps.h"
#include "GrabFailure.h"
#include "GrabOutput.h"

#include <KivoFrameCounter.h>

namespace
{
// The camera answers "none yet" until a picture is due; asking more often
// only costs calls into the server.
const DWORD POLL_INTERVAL_MS = 10;
}

int GetGrabPictureBytes(int nWidth, int nHeight, int nBytesPerPixel)
{
    long long nBytes = static_cast<long long>(nWidth) * nHeight * nBytesPerPixel;
    if (nWidth <= 0 || nHeight <= 0 || nBytes > 0x7fffffffLL)
    {
        CString strMessage;
        strMessage.Format(L"the camera reports a picture size of %d x %d", nWidth, nHeight);
        throw CGrabFailure(GRAB_EXIT_CAMERA, strMessage);
    }
    return static_cast<int>(nBytes);
}

CGrabLiveAcquisition::CGrabLiveAcquisition(CKIVOClient& client)
    : m_client(client)
    , m_nSavedFormat(client.GetPropValueInt(LIVEFORMAT))
    , m_nSavedFlags(client.GetPropValueInt(CONTROLFLAGS))
    , m_bRestore(TRUE)
    , m_bStarted(FALSE)
    , m_bColour(FALSE)
{
}

CGrabLiveAcquisition::~CGrabLiveAcquisition()
{
    try
    {
        Finish();
    }
    catch (CException* pException)
    {
        ReportGrabError(TakeExceptionMessage(pException));
    }
}

void CGrabLiveAcquisition::Start(BOOL bColour)
{
    m_bColour = bColour;
    m_client.SetPropValueInt(LIVEFORMAT, bColour ? 0 : 1);
    // The tool fetches the pictures itself: no live picture thread of the library.
    m_client.EnablePollLivePictures(1);
    // A camera found acquiring would refuse Init; it is left running as found.
    if (m_client.GetServerState() == SERVERSTATE_STARTED)
        return;
    m_client.Init();
    m_bStarted = TRUE;
    m_client.Start(0);
}

std::unique_ptr<CGrabLivePicture> CGrabLiveAcquisition::FetchPicture(DWORD dwTimeoutMs, DWORD dwStopMs)
{
    std::unique_ptr<CGrabLivePicture> picture(new CGrabLivePicture);
    unsigned long nWidth = 0, nHeight = 0;
    int bGrey = 0;
    const ULONGLONG nStart = GetTickCount64();
    for (;;)
    {
        bGrey = m_client.Get3DLivePicture(&picture->m_picture, &nWidth, &nHeight);
        if (picture->m_picture.Get() != nullptr)
            break;
        const ULONGLONG nWaited = GetTickCount64() - nStart;
        if (dwStopMs <= dwTimeoutMs && nWaited >= dwStopMs)
            return std::unique_ptr<CGrabLivePicture>();
        if (nWaited >= dwTimeoutMs)
        {
            CString strMessage;
            strMessage.Format(L"no live picture within %lu ms", dwTimeoutMs);
            throw CGrabFailure(GRAB_EXIT_NO_PICTURE, strMessage);
        }
        Sleep(POLL_INTERVAL_MS);
    }
    picture->m_dArrivalMs = KivoFrameClockMs();
    CheckPicture(*picture, nWidth, nHeight, bGrey);
    return picture;
}

void CGrabLiveAcquisition::CheckPicture(CGrabLivePicture& picture, unsigned long nWidth, unsigned long nHeight,
                                        int bGrey) const
{
    // 8-bit grey is announced; colour comes as 4 bytes per pixel.
    const EGrabPixelLayout eLayout = bGrey ? GRAB_PIXELS_GREY8 : GRAB_PIXELS_BGRX32;
    if (nWidth > 0x7fffffffUL || nHeight > 0x7fffffffUL)
        throw CGrabFailure(GRAB_EXIT_CAMERA, L"the live picture has an impossible size");
    const int nBytes =
        GetGrabPictureBytes(static_cast<int>(nWidth), static_cast<int>(nHeight), GetGrabBytesPerPixel(eLayout));
    // Anything but a byte vector from index 0 counts as -1 bytes.
    int nCount = 0;
    const long long nElements = picture.m_picture.IsVectorOf(1) && picture.m_picture.GetCount(&nCount) ? nCount : -1;
    if (nElements != nBytes)
    {
        CString strMessage;
        strMessage.Format(L"the live picture of %lu x %lu pixels has %lld bytes, neither grey nor 32-bit colour",
                          nWidth, nHeight, nElements);
        throw CGrabFailure(GRAB_EXIT_CAMERA, strMessage);
    }
    if ((eLayout == GRAB_PIXELS_GREY8) == (m_bColour != FALSE))
        throw CGrabFailure(GRAB_EXIT_CAMERA, m_bColour ? L"the camera delivered a grey live picture, not colour"
                                                       : L"the camera delivered a colour live picture, not grey");
    if (!picture.m_picture.Lock())
        throw CGrabFailure(GRAB_EXIT_CAMERA, L"the live picture cannot be read");
    picture.m_nWidth = static_cast<int>(nWidth);
    picture.m_nHeight = static_cast<int>(nHeight);
    picture.m_eLayout = eLayout;
}

void CGrabLiveAcquisition::Finish()
{
    CGrabCleanupSteps steps;
    if (m_bStarted)
    {
        m_bStarted = FALSE;
        steps.Run([&] { m_client.Stop(0); });
    }
    if (m_bRestore)
    {
        m_bRestore = FALSE;
        steps.Run([&] { m_client.SetPropValueInt(LIVEFORMAT, m_nSavedFormat); });
        steps.Run([&] { m_client.SetPropValueInt(CONTROLFLAGS, m_nSavedFlags); });
    }
    steps.ThrowIfAny();
}
