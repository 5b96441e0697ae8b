// GrabRecordSaver.cpp: the files of a recording, written on a thread of their
// own: each live picture as a numbered PNG, then its row in the list.
#include "GrabRecordSaver.h"
#include "GrabOutput.h"
#include "GrabPngWriter.h"

#include <string>
#include <utility>

const wchar_t CGrabRecordSaver::LIST_NAME[] = L"record.csv";

namespace
{
CString JoinPath(const CString& strFolder, const CString& strName)
{
    const int nLength = strFolder.GetLength();
    if (nLength > 0 && (strFolder[nLength - 1] == L'\\' || strFolder[nLength - 1] == L'/'))
        return strFolder + strName;
    return strFolder + L"\\" + strName;
}

CGrabFailure MakeListFailure(const CString& strFile, LPCWSTR pszWhat, DWORD dwError)
{
    CString strMessage;
    strMessage.Format(L"%ls: %ls (Windows error %lu)", strFile.GetString(), pszWhat, dwError);
    return CGrabFailure(GRAB_EXIT_FILE, strMessage);
}
}

CGrabRecordSaver::CGrabRecordSaver(const CString& strFolder)
    : m_strFolder(strFolder)
    , m_bClosed(FALSE)
{
    InitializeConditionVariable(&m_cvQueue);
    const CString strList = JoinPath(m_strFolder, LIST_NAME);
    m_hList.Reset(
        CreateFileW(strList, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (m_hList.Get() == INVALID_HANDLE_VALUE)
    {
        const DWORD dwError = GetLastError();
        m_hList.Detach();   // INVALID_HANDLE_VALUE is no handle to close
        throw MakeListFailure(strList, L"cannot create", dwError);
    }
    WriteList(L"index,time_ms,width,height,format,file\r\n");
    m_hThread.Reset(CreateThread(nullptr, 0, RunThread, this, 0, nullptr));
    if (m_hThread.IsNull())
        throw MakeListFailure(strList, L"no thread to save the pictures", GetLastError());
}

CGrabRecordSaver::~CGrabRecordSaver()
{
    try
    {
        Finish();
    }
    catch (const CGrabFailure& failure)
    {
        ReportGrabError(failure.GetMessage());
    }
}

CString CGrabRecordSaver::GetPictureName(int nIndex)
{
    CString strName;
    strName.Format(L"live-%06d.png", nIndex);
    return strName;
}

void CGrabRecordSaver::AddPicture(std::unique_ptr<CGrabLivePicture> picture, int nIndex, double dTimeMs)
{
    CSingleLock lock(&m_csQueue, TRUE);
    while (m_queItems.size() >= QUEUE_PICTURES && m_pFailure == nullptr)
        SleepConditionVariableCS(&m_cvQueue, &m_csQueue.m_sect, INFINITE);
    ThrowFailure();
    m_queItems.push_back(SItem{ std::move(picture), nIndex, dTimeMs });
    WakeAllConditionVariable(&m_cvQueue);
}

void CGrabRecordSaver::Finish()
{
    {
        CSingleLock lock(&m_csQueue, TRUE);
        m_bClosed = TRUE;
        WakeAllConditionVariable(&m_cvQueue);
    }
    if (!m_hThread.IsNull())
    {
        WaitForSingleObject(m_hThread, INFINITE);
        m_hThread.Reset();
    }
    CSingleLock lock(&m_csQueue, TRUE);
    ThrowFailure();
}

void CGrabRecordSaver::ThrowFailure()
{
    if (m_pFailure == nullptr)
        return;
    const CGrabFailure failure = *m_pFailure;
    m_pFailure.reset();
    throw failure;
}

DWORD WINAPI CGrabRecordSaver::RunThread(LPVOID pParameter)
{
    static_cast<CGrabRecordSaver*>(pParameter)->SaveQueuedPictures();
    return 0;
}

void CGrabRecordSaver::SaveQueuedPictures()
{
    for (;;)
    {
        SItem item;
        {
            CSingleLock lock(&m_csQueue, TRUE);
            while (m_queItems.empty() && !m_bClosed)
                SleepConditionVariableCS(&m_cvQueue, &m_csQueue.m_sect, INFINITE);
            if (m_queItems.empty())
                return;
            item = std::move(m_queItems.front());
            m_queItems.pop_front();
            WakeAllConditionVariable(&m_cvQueue);
        }
        std::unique_ptr<CGrabFailure> pFailure;
        try
        {
            SavePicture(item);
        }
        catch (const CGrabFailure& failure)
        {
            pFailure.reset(new CGrabFailure(failure));
        }
        catch (CException* pException)
        {
            pFailure.reset(new CGrabFailure(GRAB_EXIT_FILE, TakeExceptionMessage(pException)));
        }
        if (pFailure != nullptr)
        {
            // The pictures still waiting are dropped: the files saved so far
            // and their rows stay, nothing after a gap.
            CSingleLock lock(&m_csQueue, TRUE);
            m_pFailure = std::move(pFailure);
            m_queItems.clear();
            WakeAllConditionVariable(&m_cvQueue);
            return;
        }
    }
}

void CGrabRecordSaver::SavePicture(const SItem& item)
{
    const CGrabLivePicture& picture = *item.picture;
    const CString strName = GetPictureName(item.nIndex);
    SaveGrabPng(JoinPath(m_strFolder, strName), picture.GetPixels(), picture.GetWidth(), picture.GetHeight(),
                picture.GetLayout());
    CString strRow;
    strRow.Format(L"%d,%.3f,%d,%d,%ls,%ls\r\n", item.nIndex, item.dTimeMs, picture.GetWidth(), picture.GetHeight(),
                  picture.GetLayout() == GRAB_PIXELS_GREY8 ? L"grey" : L"colour", strName.GetString());
    WriteList(strRow);
}

void CGrabRecordSaver::WriteList(const CString& strText)
{
    // The text is ASCII: numbers and the file names made here.
    std::string strBytes;
    for (int i = 0; i < strText.GetLength(); ++i)
        strBytes += static_cast<char>(strText[i]);
    DWORD dwWritten = 0;
    if (!WriteFile(m_hList, strBytes.data(), static_cast<DWORD>(strBytes.size()), &dwWritten, nullptr)
        || dwWritten != strBytes.size())
        throw MakeListFailure(JoinPath(m_strFolder, LIST_NAME), L"cannot write", GetLastError());
}
