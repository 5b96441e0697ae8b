// GrabCommands.cpp: the commands of kivo-grab on an opened, ordered camera.
#include "GrabCommands.h"
#include "GrabDiag.h"
#include "GrabFailure.h"
#include "GrabLiveAcquisition.h"
#include "GrabOutput.h"
#include "GrabPngWriter.h"
#include "GrabRecord.h"
#include "GrabTableFile.h"

#include <vector>

namespace
{
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
    std::vector<BYTE> vecPixels(GetGrabPictureBytes(nWidth, nHeight, 1));
    int nLength = 0;
    client.GetPicture(commandLine.m_nPicture, vecPixels.data(), static_cast<int>(vecPixels.size()), &nLength);
    CheckPictureLength(L"the picture", nLength, static_cast<int>(vecPixels.size()));
    SaveGrabPng(commandLine.m_strFile, vecPixels.data(), nWidth, nHeight, GRAB_PIXELS_GREY8);
}

void SaveRGBPicture(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    int nWidth = client.GetPropValueInt(PICTUREWIDTH);
    int nHeight = client.GetPropValueInt(PICTUREHEIGHT);
    std::vector<BYTE> vecPixels(GetGrabPictureBytes(nWidth, nHeight, 3));
    int nLength = 0;
    client.GetRGBPicture(vecPixels.data(), static_cast<int>(vecPixels.size()), &nLength);
    CheckPictureLength(L"the colour picture", nLength, static_cast<int>(vecPixels.size()));
    SaveGrabPng(commandLine.m_strFile, vecPixels.data(), nWidth, nHeight, GRAB_PIXELS_BGR24);
}

void SaveLivePicture(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    CGrabLiveAcquisition acquisition(client);
    acquisition.Start(commandLine.m_bColour);
    std::unique_ptr<CGrabLivePicture> picture = acquisition.FetchPicture(commandLine.m_dwTimeoutMs);
    // Settings are back and acquisition has ended before the file is written.
    acquisition.Finish();
    SaveGrabPng(commandLine.m_strFile, picture->GetPixels(), picture->GetWidth(), picture->GetHeight(),
                picture->GetLayout());
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

using GetTableMember = int (CKIVOClient::*)(int*, int);
using SetTableMember = void (CKIVOClient::*)(int*, int);

void GetTable(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    GetTableMember pfnGet =
        commandLine.m_eTable == GRAB_TABLE_MEASURE ? &CKIVOClient::GetMeasureTab : &CKIVOClient::GetSearchTab;
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
    SetTableMember pfnSet =
        commandLine.m_eTable == GRAB_TABLE_MEASURE ? &CKIVOClient::SetMeasureTab : &CKIVOClient::SetSearchTab;
    std::vector<int> vecValues = ReadGrabTableFile(commandLine.m_strFile);
    (client.*pfnSet)(vecValues.empty() ? nullptr : vecValues.data(), static_cast<int>(vecValues.size()));
}
}

void RunGrabCommand(CKIVOClient& client, const CGrabCommandLine& commandLine)
{
    switch (commandLine.m_eCommand)
    {
    case GRAB_COMMAND_PICTURE: SavePicture(client, commandLine); break;
    case GRAB_COMMAND_RGB: SaveRGBPicture(client, commandLine); break;
    case GRAB_COMMAND_LIVE: SaveLivePicture(client, commandLine); break;
    case GRAB_COMMAND_RECORD: RecordGrabLivePictures(client, commandLine); break;
    case GRAB_COMMAND_GET: PrintProperties(client, commandLine); break;
    case GRAB_COMMAND_SET: SetProperty(client, commandLine); break;
    case GRAB_COMMAND_TABLE_GET: GetTable(client, commandLine); break;
    case GRAB_COMMAND_TABLE_SET: SetTable(client, commandLine); break;
    case GRAB_COMMAND_DIAG: RunGrabDiag(client, commandLine); break;
    case GRAB_COMMAND_HELP: break;
    }
}
