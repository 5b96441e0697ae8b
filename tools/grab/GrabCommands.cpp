// GrabCommands.cpp: the commands of kivo-grab on an opened, ordered camera.
#include "GrabCommands.h"
#include "GrabDiag.h"
#include "GrabFailure.h"
#include "GrabOutput.h"
#include "GrabPngWriter.h"
#include "GrabTableFile.h"

#include <KivoSafeArray.h>

#include <vector>

namespace
{
const DWORD POLL_INTERVAL_MS = 10;

// The buffer size of a picture, refused when the camera reports a size no
// buffer of int length can hold.
int GetPictureBytes(int nWidth, int nHeight, int nBytesPerPixel)
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

void CheckPictureLength(LPCWSTR pszWhat, int nLength, int nExpected)
{
    if (nLength == nExpected)
        return;
    CString strMessage;
    strMessage.Format(L"%ls has %d bytes where PICTUREWIDTH x PICTUREHEIGHT make %d", pszWhat, nLength, nExpected);
    throw CGrabFailure(GRAB_EXIT_CAMERA, strMessage);
}

void SavePicture(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    client.AllocPicture(commandLine.m_nPicture);
    int nWidth = client.GetPropValueInt(PICTUREWIDTH);
    int nHeight = client.GetPropValueInt(PICTUREHEIGHT);
    std::vector<BYTE> vecPixels(GetPictureBytes(nWidth, nHeight, 1));
    int nLength = 0;
    client.GetPicture(commandLine.m_nPicture, vecPixels.data(), static_cast<int>(vecPixels.size()), &nLength);
    CheckPictureLength(L"the picture", nLength, static_cast<int>(vecPixels.size()));
    SaveGrabPng(commandLine.m_strFile, vecPixels.data(), nWidth, nHeight, GRAB_PIXELS_GREY8);
}

void SaveRGBPicture(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    int nWidth = client.GetPropValueInt(PICTUREWIDTH);
    int nHeight = client.GetPropValueInt(PICTUREHEIGHT);
    std::vector<BYTE> vecPixels(GetPictureBytes(nWidth, nHeight, 3));
    int nLength = 0;
    client.GetRGBPicture(vecPixels.data(), static_cast<int>(vecPixels.size()), &nLength);
    CheckPictureLength(L"the colour picture", nLength, static_cast<int>(vecPixels.size()));
    SaveGrabPng(commandLine.m_strFile, vecPixels.data(), nWidth, nHeight, GRAB_PIXELS_BGR24);
}

// Live acquisition for one picture. It changes LIVEFORMAT, and Init marks
// CONTROLFLAGS for a client-drawn live picture; both are written back, and a
// camera started here is stopped, on every way out.
class CGrabLiveAcquisition
{
public:
    explicit CGrabLiveAcquisition(CKIVOClient& client)
        : m_client(client)
        , m_nSavedFormat(client.GetPropValueInt(LIVEFORMAT))
        , m_nSavedFlags(client.GetPropValueInt(CONTROLFLAGS))
        , m_bRestore(TRUE)
        , m_bStarted(FALSE)
    {
    }

    ~CGrabLiveAcquisition()
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

    void Start(BOOL bColour)
    {
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

    // Stops and writes the settings back; throws the first failure after trying all.
    void Finish()
    {
        CException* pFirst = NULL;
        auto attempt = [&](auto step) {
            try
            {
                step();
            }
            catch (CException* pException)
            {
                if (pFirst == NULL)
                    pFirst = pException;
                else
                    ReportGrabError(TakeExceptionMessage(pException));
            }
        };
        if (m_bStarted)
        {
            m_bStarted = FALSE;
            attempt([&] { m_client.Stop(0); });
        }
        if (m_bRestore)
        {
            m_bRestore = FALSE;
            attempt([&] { m_client.SetPropValueInt(LIVEFORMAT, m_nSavedFormat); });
            attempt([&] { m_client.SetPropValueInt(CONTROLFLAGS, m_nSavedFlags); });
        }
        if (pFirst != NULL)
            throw pFirst;
    }

private:
    CKIVOClient& m_client;
    int m_nSavedFormat;
    int m_nSavedFlags;
    BOOL m_bRestore;
    BOOL m_bStarted;

    CGrabLiveAcquisition(const CGrabLiveAcquisition&);
    CGrabLiveAcquisition& operator=(const CGrabLiveAcquisition&);
};

void SaveLivePicture(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    CGrabLiveAcquisition acquisition(client);
    acquisition.Start(commandLine.m_bColour);

    // Poll until a frame comes; the camera answers "none yet" until one is due.
    CKIVOSafeArrayHolder picture;
    unsigned long nWidth = 0, nHeight = 0;
    int bGrey = 0;
    const DWORD dwStart = GetTickCount();
    for (;;)
    {
        bGrey = client.Get3DLivePicture(&picture, &nWidth, &nHeight);
        if (picture.Get() != NULL)
            break;
        if (GetTickCount() - dwStart >= commandLine.m_dwTimeoutMs)
        {
            CString strMessage;
            strMessage.Format(L"no live picture within %lu ms", commandLine.m_dwTimeoutMs);
            throw CGrabFailure(GRAB_EXIT_NO_PICTURE, strMessage);
        }
        Sleep(POLL_INTERVAL_MS);
    }

    // 8-bit grey is announced; colour comes as 4 bytes per pixel.
    const EGrabPixelLayout eLayout = bGrey ? GRAB_PIXELS_GREY8 : GRAB_PIXELS_BGRX32;
    if (nWidth > 0x7fffffffUL || nHeight > 0x7fffffffUL)
        throw CGrabFailure(GRAB_EXIT_CAMERA, L"the live picture has an impossible size");
    const int nBytes = GetPictureBytes(static_cast<int>(nWidth), static_cast<int>(nHeight),
                                       GetGrabBytesPerPixel(eLayout));
    // Anything but a byte vector from index 0 counts as -1 bytes.
    const long long nElements = picture.IsVectorOf(1) ? picture.GetCount() : -1;
    if (nElements != nBytes)
    {
        CString strMessage;
        strMessage.Format(L"the live picture of %lu x %lu pixels has %lld bytes, neither grey nor 32-bit colour",
                          nWidth, nHeight, nElements);
        throw CGrabFailure(GRAB_EXIT_CAMERA, strMessage);
    }
    if ((eLayout == GRAB_PIXELS_GREY8) == (commandLine.m_bColour != FALSE))
        throw CGrabFailure(GRAB_EXIT_CAMERA, commandLine.m_bColour
                                                 ? L"the camera delivered a grey live picture, not colour"
                                                 : L"the camera delivered a colour live picture, not grey");
    // Settings are back and acquisition has ended before the file is written.
    acquisition.Finish();

    if (!picture.Lock())
        throw CGrabFailure(GRAB_EXIT_CAMERA, L"the live picture cannot be read");
    SaveGrabPng(commandLine.m_strFile, static_cast<const BYTE*>(picture.GetData()), static_cast<int>(nWidth),
                static_cast<int>(nHeight), eLayout);
}

void PrintProperties(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    for (tagEMVP eProp : commandLine.m_vecProps)
    {
        CString strName = client.GetPropName(eProp);
        CString strValue = client.GetPropValue(eProp);
        CString strLine;
        strLine.Format(L"%d\t%ls\t%ls\r\n", static_cast<int>(eProp), strName.GetString(), strValue.GetString());
        WriteGrabOutput(strLine);
    }
}

void SetProperty(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    const tagEMVP eProp = commandLine.m_vecProps.front();
    int nValue = 0;
    if (!commandLine.m_bText && CGrabCommandLine::ParseInt32(commandLine.m_strValue, nValue))
        client.SetPropValueInt(eProp, nValue);
    else
        client.SetPropValue(eProp, commandLine.m_strValue);
}

typedef int (CKIVOClient::*GetTableMember)(int*, int);
typedef void (CKIVOClient::*SetTableMember)(int*, int);

void GetTable(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    GetTableMember pfnGet = commandLine.m_eTable == GRAB_TABLE_MEASURE ? &CKIVOClient::GetMeasureTab
                                                                        : &CKIVOClient::GetSearchTab;
    // The server tells its count; a table larger than the buffer is read again.
    std::vector<int> vecValues(256);
    for (;;)
    {
        int nCount = (client.*pfnGet)(vecValues.data(), static_cast<int>(vecValues.size()));
        if (nCount < 0)
            throw CGrabFailure(GRAB_EXIT_CAMERA, L"the camera reports a negative table size");
        bool bComplete = static_cast<size_t>(nCount) <= vecValues.size();
        vecValues.resize(nCount);
        if (bComplete)
            break;
    }
    WriteGrabTableFile(commandLine.m_strFile, vecValues);
}

void SetTable(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    SetTableMember pfnSet = commandLine.m_eTable == GRAB_TABLE_MEASURE ? &CKIVOClient::SetMeasureTab
                                                                        : &CKIVOClient::SetSearchTab;
    std::vector<int> vecValues = ReadGrabTableFile(commandLine.m_strFile);
    (client.*pfnSet)(vecValues.empty() ? NULL : vecValues.data(), static_cast<int>(vecValues.size()));
}
}

void RunGrabCommand(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    switch (commandLine.m_eCommand)
    {
    case GRAB_COMMAND_PICTURE:   SavePicture(client, commandLine); break;
    case GRAB_COMMAND_RGB:       SaveRGBPicture(client, commandLine); break;
    case GRAB_COMMAND_LIVE:      SaveLivePicture(client, commandLine); break;
    case GRAB_COMMAND_GET:       PrintProperties(client, commandLine); break;
    case GRAB_COMMAND_SET:       SetProperty(client, commandLine); break;
    case GRAB_COMMAND_TABLE_GET: GetTable(client, commandLine); break;
    case GRAB_COMMAND_TABLE_SET: SetTable(client, commandLine); break;
    case GRAB_COMMAND_DIAG:      RunGrabDiag(client, commandLine); break;
    case GRAB_COMMAND_HELP:      break;
    }
}
