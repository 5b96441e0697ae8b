// Helpers shared by the MFC tests.
#pragma once

#include <afxdisp.h>

// The code of the COleException the call throws; S_OK when it throws none,
// kNotOle for another CException.
const SCODE kNotOle = static_cast<SCODE>(0xFFFFFFFF);

template <class Func>
SCODE OleErrorOf(Func func)
{
    try
    {
        func();
    }
    catch (CException* e)
    {
        SCODE sc = e->IsKindOf(RUNTIME_CLASS(COleException)) ? static_cast<COleException*>(e)->m_sc : kNotOle;
        e->Delete();
        return sc;
    }
    return S_OK;
}

// Runs func on a thread of its own and returns its result once it has ended.
template <class Func>
DWORD RunOnThread(Func func)
{
    struct CCall
    {
        static DWORD WINAPI Run(LPVOID pParam) { return (*static_cast<Func*>(pParam))(); }
    };
    HANDLE hThread = ::CreateThread(nullptr, 0, &CCall::Run, &func, 0, nullptr);
    DWORD dwExitCode = 0xDEAD;
    if (::WaitForSingleObject(hThread, 30000) == WAIT_OBJECT_0)
        ::GetExitCodeThread(hThread, &dwExitCode);
    ::CloseHandle(hThread);
    return dwExitCode;
}
