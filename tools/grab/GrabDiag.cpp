// GrabDiag.cpp: kivo-grab diag, the figures that decide an acquisition
// program's speed on this machine.
#include "GrabDiag.h"
#include "GrabDiagLiveSettings.h"
#include "GrabDiagWindow.h"
#include "GrabFailure.h"
#include "GrabOutput.h"
#include "GrabServerProcess.h"

#include <KivoCpuTime.h>
#include <KivoFrameCounter.h>
#include <KivoMessagePump.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{
const int ROUND_TRIP_WARM_UP = 10;   // the first calls of a thread also set up its channel
const int ROUND_TRIP_CALLS = 300;
const int TRANSFER_CALLS = 20;
const int LIVE_AREA_WIDTH = 640;
const int LIVE_AREA_HEIGHT = 480;
const COLORREF LIVE_KEY_COLOR = RGB(255, 0, 255);
const double FIRST_PICTURE_TIMEOUT_MS = 30000.0;
// The frame count changes on the live picture thread without a message; a
// longer poll costs the client less CPU time in the figures it measures.
const DWORD PUMP_POLL_MS = 10;

void PrintLine(const CString& strLine)
{
    WriteGrabOutput(strLine + L"\r\n");
}

// The sample below which the share dShare of all lie (nearest rank), so that
// a higher share never gives a smaller value.
double GetPercentile(std::vector<double> vecSamples, double dShare)
{
    std::sort(vecSamples.begin(), vecSamples.end());
    const size_t nRank = static_cast<size_t>(std::ceil(dShare * static_cast<double>(vecSamples.size())));
    return vecSamples[nRank > 0 ? nRank - 1 : 0];
}

void MeasureRoundTrip(CKIVOClient& client)
{
    for (int i = 0; i < ROUND_TRIP_WARM_UP; ++i)
        client.GetServerState();
    std::vector<double> vecMs;
    vecMs.reserve(ROUND_TRIP_CALLS);
    for (int i = 0; i < ROUND_TRIP_CALLS; ++i)
    {
        const double dStart = KivoFrameClockMs();
        client.GetServerState();
        vecMs.push_back(KivoFrameClockMs() - dStart);
    }
    CString strLine;
    strLine.Format(L"Round trip (GetServerState): median %.3f ms, 95th percentile %.3f ms (%d calls)",
                   GetPercentile(vecMs, 0.5), GetPercentile(vecMs, 0.95), ROUND_TRIP_CALLS);
    PrintLine(strLine);
}

void MeasureTransfer(CKIVOClient& client, int nWidth, int nHeight)
{
    const long long nBytes = static_cast<long long>(nWidth) * nHeight * 3;
    if (nWidth <= 0 || nHeight <= 0 || nBytes > 0x7fffffffLL)
    {
        CString strMessage;
        strMessage.Format(L"the camera reports a picture size of %d x %d", nWidth, nHeight);
        throw CGrabFailure(GRAB_EXIT_CAMERA, strMessage);
    }
    std::vector<BYTE> vecPixels(static_cast<size_t>(nBytes));
    const int nSize = static_cast<int>(nBytes);
    std::vector<double> vecMs;
    vecMs.reserve(TRANSFER_CALLS);
    // One call before the timed ones, whose buffer pages are then present.
    for (int i = -1; i < TRANSFER_CALLS; ++i)
    {
        int nLength = 0;
        const double dStart = KivoFrameClockMs();
        client.GetRGBPicture(vecPixels.data(), nSize, &nLength);
        const double dMs = KivoFrameClockMs() - dStart;
        if (nLength != nSize)
        {
            CString strMessage;
            strMessage.Format(L"the colour picture has %d bytes where PICTUREWIDTH x PICTUREHEIGHT x 3 make %d",
                              nLength, nSize);
            throw CGrabFailure(GRAB_EXIT_CAMERA, strMessage);
        }
        if (i >= 0)
            vecMs.push_back(dMs);
    }
    const double dMedianMs = GetPercentile(vecMs, 0.5);
    // A median under the clock's resolution still gives a rate, not a division by 0.
    const double dRate = static_cast<double>(nBytes) / 1000.0 / (dMedianMs > 0.0 ? dMedianMs : 0.001);
    CString strLine;
    strLine.Format(L"Picture transfer (GetRGBPicture): %d bytes, median %.2f ms, %.1f MB/s (%d calls)", nSize,
                   dMedianMs, dRate, TRANSFER_CALLS);
    PrintLine(strLine);
}

// The CPU time of the client and, where it can be read, of the server.
struct SGrabCpuSample
{
    double dClientMs;
    double dServerMs;
    BOOL bServer;
};

SGrabCpuSample SampleCpu(CGrabServerProcess& server, BOOL bServerOpen)
{
    SGrabCpuSample sample;
    sample.dClientMs = GetKivoProcessCpuMs(GetCurrentProcess());
    sample.dServerMs = 0.0;
    sample.bServer = bServerOpen && server.ReadCpuMs(sample.dServerMs);
    return sample;
}

void PrintCpuPerPicture(LPCWSTR pszWho, LPCWSTR pszRun, BOOL bRead, double dMs, LONG nPictures,
                        const CString& strReason)
{
    CString strLine;
    if (!bRead)
        strLine.Format(L"%ls CPU per picture %ls: cannot be read (%ls)", pszWho, pszRun, strReason.GetString());
    else if (nPictures <= 0)
        strLine.Format(L"%ls CPU per picture %ls: cannot be told (no picture shown)", pszWho, pszRun);
    else
        strLine.Format(L"%ls CPU per picture %ls: %.2f ms", pszWho, pszRun, dMs / nPictures);
    PrintLine(strLine);
}

// One live run: the library shows the live picture in the window under the
// overlay for dwMs milliseconds; the pictures that reach the window are counted.
void MeasureLiveRun(CGrabDiagLiveSettings& settings, CGrabDiagWindow& window, CGrabServerProcess& server,
                    BOOL bServerOpen, EGrabDiagOverlay eOverlay, DWORD dwMs)
{
    const LPCWSTR pszRun = eOverlay == GRAB_DIAG_OVERLAY_GRID ? L"with overlay" : L"without overlay";
    const LONG nFramesBefore = CKIVOFrameCounter::GetMark().nFrames;
    const LONG nOverlaysBefore = window.GetOverlaysDrawn();
    settings.Start();
    window.SetOverlay(eOverlay);

    // Measuring begins with the first picture after the library took this
    // run's overlay. The window is asked again while no paint reached the
    // library's device, which exists only once the live picture thread runs.
    LONG nFramesWithOverlay = -1;
    const bool bShown = PumpKivoMessagesUntil(
        [&] {
            const LONG nFrames = CKIVOFrameCounter::GetMark().nFrames;
            if (window.GetOverlaysDrawn() == nOverlaysBefore)
            {
                if (nFrames > nFramesBefore)
                    window.SetOverlay(eOverlay);
                return false;
            }
            if (nFramesWithOverlay < 0)
                nFramesWithOverlay = nFrames;
            return nFrames > nFramesWithOverlay;
        },
        FIRST_PICTURE_TIMEOUT_MS, PUMP_POLL_MS);
    if (!bShown)
    {
        CString strMessage;
        strMessage.Format(L"no live picture was shown %ls within %.0f s", pszRun, FIRST_PICTURE_TIMEOUT_MS / 1000.0);
        throw CGrabFailure(GRAB_EXIT_NO_PICTURE, strMessage);
    }

    const CKIVOFrameMark first = CKIVOFrameCounter::GetMark();
    const SGrabCpuSample cpuFirst = SampleCpu(server, bServerOpen);
    PumpKivoMessagesUntil([] { return false; }, static_cast<double>(dwMs), PUMP_POLL_MS);
    const CKIVOFrameMark last = CKIVOFrameCounter::GetMark();
    const SGrabCpuSample cpuLast = SampleCpu(server, bServerOpen);
    settings.Stop();

    const LONG nPictures = last.nFrames - first.nFrames;
    const double dSeconds = (last.dLastMs - first.dLastMs) / 1000.0;
    CString strLine;
    strLine.Format(L"Live frame rate %ls: %.1f fps (%ld pictures in %.2f s)", pszRun,
                   nPictures > 0 && dSeconds > 0.0 ? nPictures / dSeconds : 0.0, nPictures, dSeconds);
    PrintLine(strLine);
    PrintCpuPerPicture(L"Client", pszRun, cpuFirst.dClientMs >= 0.0 && cpuLast.dClientMs >= 0.0,
                       cpuLast.dClientMs - cpuFirst.dClientMs, nPictures, L"GetProcessTimes failed");
    PrintCpuPerPicture(L"Server", pszRun, cpuFirst.bServer && cpuLast.bServer, cpuLast.dServerMs - cpuFirst.dServerMs,
                       nPictures, server.GetReason());
}
}

void MeasureGrabActivation()
{
    CGrabServerProcess server;
    std::vector<DWORD> vecIds;
    CString strRunning;
    if (!server.FindRunning(vecIds))
        strRunning = L"whether the camera server was running is unknown: " + server.GetReason();
    else if (vecIds.empty())
        strRunning = L"cold start: the camera server was not running";
    else
        strRunning = L"the camera server was already running";

    // A client of its own: the session's Connect comes after this one.
    CKIVOClient probe;
    const double dStart = KivoFrameClockMs();
    probe.Connect();
    const double dMs = KivoFrameClockMs() - dStart;
    const BOOL bConnected = probe.IsConnected();
    probe.Disconnect();
    if (!bConnected)
        throw CGrabFailure(GRAB_EXIT_CAMERA, L"could not connect to the camera server");
    CString strLine;
    strLine.Format(L"Activation time: %.1f ms (%ls)", dMs, strRunning.GetString());
    PrintLine(strLine);
}

void RunGrabDiag(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    CGrabServerProcess server;
    const BOOL bServerOpen = server.Open();

    MeasureRoundTrip(client);
    const int nWidth = client.GetPropValueInt(PICTUREWIDTH);
    const int nHeight = client.GetPropValueInt(PICTUREHEIGHT);
    MeasureTransfer(client, nWidth, nHeight);

    CGrabDiagWindow window(client, LIVE_KEY_COLOR);
    if (!window.Create(LIVE_AREA_WIDTH, LIVE_AREA_HEIGHT))
        throw CGrabFailure(GRAB_EXIT_CAMERA, L"the live window could not be made (no display?)");
    // The library composes in KivoClient.dll, which this program loads with
    // itself and keeps to the end.
    if (!CKIVOFrameCounter::Install(GetModuleHandleW(L"KivoClient.dll"), window.GetHwnd()))
        throw CGrabFailure(GRAB_EXIT_CAMERA, L"the pictures shown cannot be counted: "
                                             L"the BitBlt import of KivoClient.dll was not found");
    CString strLine;
    strLine.Format(L"Live area: %d x %d pixels, camera picture %d x %d", LIVE_AREA_WIDTH, LIVE_AREA_HEIGHT, nWidth,
                   nHeight);
    PrintLine(strLine);

    // Declared after the window: the live picture stops before the window goes.
    CGrabDiagLiveSettings settings(client);
    settings.Prepare(window.GetHwnd(), window.GetArea(), LIVE_KEY_COLOR);
    MeasureLiveRun(settings, window, server, bServerOpen, GRAB_DIAG_OVERLAY_KEY, commandLine.m_dwSecondsMs);
    MeasureLiveRun(settings, window, server, bServerOpen, GRAB_DIAG_OVERLAY_GRID, commandLine.m_dwSecondsMs);
    settings.Restore();
}
