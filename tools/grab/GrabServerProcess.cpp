// GrabServerProcess.cpp: the camera server's process and its CPU time.
#include "GrabServerProcess.h"

#include <KivoCamera.h>
#include <KivoCpuTime.h>
#include <KivoRegKey.h>

#include <tlhelp32.h>

namespace
{
// The program of a LocalServer32 command line: quoted, or up to its ".exe";
// COM appends its own switches, and a registration may carry some.
CString GetProgramOfCommand(const CString& strCommand)
{
    CString strLine = strCommand;
    strLine.Trim();
    if (strLine.Left(1) == L"\"")
    {
        int nEnd = strLine.Find(L'"', 1);
        return nEnd > 0 ? strLine.Mid(1, nEnd - 1) : strLine.Mid(1);
    }
    CString strLower = strLine;
    strLower.MakeLower();
    int nExe = strLower.Find(L".exe");
    if (nExe >= 0)
        return strLine.Left(nExe + 4);
    int nSpace = strLine.Find(L' ');
    return nSpace > 0 ? strLine.Left(nSpace) : strLine;
}

CString GetFileName(const CString& strPath)
{
    const int nBackslash = strPath.ReverseFind(L'\\'), nSlash = strPath.ReverseFind(L'/');
    return strPath.Mid((nBackslash > nSlash ? nBackslash : nSlash) + 1);
}
}

CGrabServerProcess::CGrabServerProcess()
    : m_dwProcessId(0)
{
}

BOOL CGrabServerProcess::ReadRegisteredProgram()
{
    if (!m_strProgram.IsEmpty())
        return TRUE;
    wchar_t szClsid[64] = L"";
    StringFromGUID2(CLSID_KIVOCamera, szClsid, 64);
    CString strKey;
    strKey.Format(L"CLSID\\%ls\\LocalServer32", szClsid);
    CKIVORegKey key;
    if (Kivo::OpenRegKey(key, HKEY_CLASSES_ROOT, strKey, KEY_READ) != ERROR_SUCCESS)
    {
        m_strReason = L"the camera server's registration cannot be read";
        return FALSE;
    }
    wchar_t szCommand[MAX_PATH * 2] = L"";
    DWORD dwType = 0, dwBytes = sizeof(szCommand) - sizeof(wchar_t);
    if (RegQueryValueExW(key.Get(), nullptr, nullptr, &dwType, reinterpret_cast<BYTE*>(szCommand), &dwBytes)
            != ERROR_SUCCESS
        || (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
    {
        m_strReason = L"the camera server's registration names no program";
        return FALSE;
    }
    CString strCommand = szCommand;
    if (dwType == REG_EXPAND_SZ)
    {
        wchar_t szExpanded[MAX_PATH * 2] = L"";
        if (ExpandEnvironmentStringsW(szCommand, szExpanded, MAX_PATH * 2) != 0)
            strCommand = szExpanded;
    }
    m_strProgram = GetProgramOfCommand(strCommand);
    return !m_strProgram.IsEmpty();
}

BOOL CGrabServerProcess::FindRunning(std::vector<DWORD>& vecIds)
{
    vecIds.clear();
    if (!ReadRegisteredProgram())
        return FALSE;
    HANDLE hSnapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE)
    {
        m_strReason = L"the list of processes cannot be read";
        return FALSE;
    }
    CKIVOHandle snapshot(hSnapshot);
    const CString strName = GetFileName(m_strProgram);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bEntry = Process32FirstW(hSnapshot, &entry); bEntry; bEntry = Process32NextW(hSnapshot, &entry))
    {
        if (strName.CompareNoCase(entry.szExeFile) != 0)
            continue;
        // The same program name elsewhere is another program; a process
        // whose path cannot be read counts by its name.
        CKIVOHandle hProcess(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
        wchar_t szImage[MAX_PATH * 2] = L"";
        DWORD dwLength = MAX_PATH * 2;
        if (!hProcess.IsNull() && QueryFullProcessImageNameW(hProcess, 0, szImage, &dwLength)
            && m_strProgram.CompareNoCase(szImage) != 0)
            continue;
        vecIds.push_back(entry.th32ProcessID);
    }
    return TRUE;
}

BOOL CGrabServerProcess::Open()
{
    std::vector<DWORD> vecIds;
    if (!FindRunning(vecIds))
        return FALSE;
    if (vecIds.size() != 1)
    {
        m_strReason.Format(L"%d processes run %ls", static_cast<int>(vecIds.size()),
                           GetFileName(m_strProgram).GetString());
        return FALSE;
    }
    m_hProcess.Reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, vecIds[0]));
    if (m_hProcess.IsNull())
    {
        m_strReason.Format(L"the server process %lu cannot be opened (error %lu)", vecIds[0], GetLastError());
        return FALSE;
    }
    m_dwProcessId = vecIds[0];
    return TRUE;
}

BOOL CGrabServerProcess::ReadCpuMs(double& dMs)
{
    if (m_hProcess.IsNull())
        return FALSE;
    FILETIME ftCreate, ftExit, ftKernel, ftUser;
    FILETIME ftOwnCreate, ftOwnExit, aftOwnKernel[2], aftOwnUser[2];
    BOOL bRead = GetProcessTimes(GetCurrentProcess(), &ftOwnCreate, &ftOwnExit, &aftOwnKernel[0], &aftOwnUser[0]);
    if (!GetProcessTimes(m_hProcess, &ftCreate, &ftExit, &ftKernel, &ftUser))
    {
        m_strReason.Format(L"the times of server process %lu cannot be read (error %lu)", m_dwProcessId,
                           GetLastError());
        return FALSE;
    }
    bRead = GetProcessTimes(GetCurrentProcess(), &ftOwnCreate, &ftOwnExit, &aftOwnKernel[1], &aftOwnUser[1]) && bRead;
    // Wine answers with the calling process's own user and kernel time for
    // any process (only the creation and exit times are the other's). That
    // is found by measuring: the server's times lying between two readings
    // of this process's own are this process's, not the server's.
    auto isOwn = [](const FILETIME& ft, const FILETIME& ftFirst, const FILETIME& ftLast) {
        return CompareFileTime(&ftFirst, &ft) <= 0 && CompareFileTime(&ft, &ftLast) <= 0;
    };
    if (bRead && isOwn(ftKernel, aftOwnKernel[0], aftOwnKernel[1]) && isOwn(ftUser, aftOwnUser[0], aftOwnUser[1]))
    {
        m_strReason.Format(L"the system reports this tool's own CPU time for server process %lu", m_dwProcessId);
        return FALSE;
    }
    dMs = KivoFileTimeMs(ftKernel) + KivoFileTimeMs(ftUser);
    // A server that has answered calls has used CPU time: none means the
    // system does not tell it.
    if (dMs <= 0.0)
    {
        m_strReason.Format(L"the system reports no CPU time for server process %lu", m_dwProcessId);
        return FALSE;
    }
    return TRUE;
}
