// GrabRecord.cpp: the command record: live pictures saved for a while, with the
// moment each one arrived, to check a camera set-up.
#include "GrabRecord.h"
#include "GrabFailure.h"
#include "GrabLiveAcquisition.h"
#include "GrabOutput.h"
#include "GrabRecordSaver.h"

#include <KivoFrameCounter.h>

#include <cmath>
#include <utility>

namespace
{
// File names have six digits: a recording by time ends before they run out.
const int MAX_PICTURES = 999999;

void CheckFolder(const CString& strFolder)
{
    const DWORD dwAttributes = GetFileAttributesW(strFolder);
    if (dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return;
    CString strMessage;
    strMessage.Format(dwAttributes == INVALID_FILE_ATTRIBUTES ? L"%ls: no such folder" : L"%ls: not a folder",
                      strFolder.GetString());
    throw CGrabFailure(GRAB_EXIT_FILE, strMessage);
}

// The arrival times of the pictures, in milliseconds from the start.
class CGrabRecordTimes
{
public:
    CGrabRecordTimes()
        : m_nPictures(0)
        , m_dFirstMs(0)
        , m_dLastMs(0)
        , m_dMinIntervalMs(0)
        , m_dMaxIntervalMs(0)
    {
    }

    int GetPictures() const { return m_nPictures; }

    void AddPicture(double dTimeMs)
    {
        if (m_nPictures == 0)
            m_dFirstMs = dTimeMs;
        else
        {
            const double dIntervalMs = dTimeMs - m_dLastMs;
            if (m_nPictures == 1 || dIntervalMs < m_dMinIntervalMs)
                m_dMinIntervalMs = dIntervalMs;
            if (m_nPictures == 1 || dIntervalMs > m_dMaxIntervalMs)
                m_dMaxIntervalMs = dIntervalMs;
        }
        m_dLastMs = dTimeMs;
        ++m_nPictures;
    }

    CString FormatSummary() const
    {
        CString strLine;
        strLine.Format(L"pictures %d, elapsed %.3f s", m_nPictures, m_dLastMs / 1000.0);
        const double dSpanMs = m_dLastMs - m_dFirstMs;
        if (m_nPictures >= 2 && dSpanMs > 0)
            strLine.AppendFormat(L", rate %.3f per s, interval min %.3f ms, max %.3f ms",
                                 (m_nPictures - 1) * 1000.0 / dSpanMs, m_dMinIntervalMs, m_dMaxIntervalMs);
        return strLine + L"\r\n";
    }

private:
    int m_nPictures;
    double m_dFirstMs;
    double m_dLastMs;
    double m_dMinIntervalMs;
    double m_dMaxIntervalMs;
};

// Fetches until the count is reached or the time is up; each picture goes to
// the saver with the moment it arrived.
void FetchPictures(CGrabLiveAcquisition& acquisition, const CGrabCommandLine& commandLine, CGrabRecordSaver& saver,
                   CGrabRecordTimes& times)
{
    const bool bByTime = commandLine.m_nRecordCount == 0;
    const int nMaxPictures = bByTime ? MAX_PICTURES : commandLine.m_nRecordCount;
    const double dWindowMs = commandLine.m_dwSecondsMs;
    const double dStartMs = KivoFrameClockMs();
    for (int nIndex = 1; nIndex <= nMaxPictures; ++nIndex)
    {
        DWORD dwStopMs = INFINITE;
        if (bByTime)
        {
            const double dLeftMs = dWindowMs - (KivoFrameClockMs() - dStartMs);
            if (dLeftMs <= 0)
                return;
            dwStopMs = static_cast<DWORD>(std::ceil(dLeftMs));
        }
        std::unique_ptr<CGrabLivePicture> picture = acquisition.FetchPicture(commandLine.m_dwTimeoutMs, dwStopMs);
        if (picture == nullptr)
            return;
        const double dTimeMs = picture->GetArrivalMs() - dStartMs;
        // The poll that brought it may have ended after the time was up.
        if (bByTime && dTimeMs > dWindowMs)
            return;
        times.AddPicture(dTimeMs);
        saver.AddPicture(std::move(picture), nIndex, dTimeMs);
    }
}
}

void RecordGrabLivePictures(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    CheckFolder(commandLine.m_strFile);
    CGrabRecordSaver saver(commandLine.m_strFile);
    CGrabRecordTimes times;
    {
        CGrabLiveAcquisition acquisition(client);
        acquisition.Start(commandLine.m_bColour);
        FetchPictures(acquisition, commandLine, saver, times);
        acquisition.Finish();
    }
    saver.Finish();
    if (times.GetPictures() == 0)
    {
        CString strMessage;
        strMessage.Format(L"no live picture within the %.3f s of the recording", commandLine.m_dwSecondsMs / 1000.0);
        throw CGrabFailure(GRAB_EXIT_NO_PICTURE, strMessage);
    }
    WriteGrabOutput(times.FormatSummary());
}
