// Scope-held lock on a critical section.
#pragma once

#include <windows.h>

class CSimLock
{
public:
    explicit CSimLock(CRITICAL_SECTION& cs)
        : m_cs(cs)
    {
        EnterCriticalSection(&m_cs);
    }
    ~CSimLock() { LeaveCriticalSection(&m_cs); }
    CSimLock(const CSimLock&) = delete;
    CSimLock& operator=(const CSimLock&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};
