// afxmt.h - synchronisation objects.
#pragma once
#ifndef __AFXMT_H__
#define __AFXMT_H__

#ifndef __AFX_H__
#include <afx.h>
#endif

class KIVOMFC_API CSyncObject : public CObject
{
    DECLARE_DYNAMIC(CSyncObject)

public:
    explicit CSyncObject(LPCTSTR pstrName);

    operator HANDLE() const { return m_hObject; }
    HANDLE m_hObject;

    virtual BOOL Lock(DWORD dwTimeout = INFINITE);
    virtual BOOL Unlock() = 0;
    virtual BOOL Unlock(LONG /* lCount */, LPLONG /* lpPrevCount = NULL */) { return TRUE; }

    // Implementation
public:
    virtual ~CSyncObject();
    friend class CSingleLock;
};

// A recursive lock within one process; m_hObject stays NULL.
class KIVOMFC_API CCriticalSection : public CSyncObject
{
    DECLARE_DYNAMIC(CCriticalSection)

public:
    CCriticalSection();   // throws CMemoryException* when it cannot initialise

    operator CRITICAL_SECTION*();
    CRITICAL_SECTION m_sect;

    BOOL Unlock();
    BOOL Lock();
    BOOL Lock(DWORD dwTimeout);   // only INFINITE is meaningful

    // Implementation
public:
    virtual ~CCriticalSection();
};

class KIVOMFC_API CEvent : public CSyncObject
{
    DECLARE_DYNAMIC(CEvent)

public:
    CEvent(BOOL bInitiallyOwn = FALSE, BOOL bManualReset = FALSE, LPCTSTR lpszName = nullptr,
           LPSECURITY_ATTRIBUTES lpsaAttribute = nullptr);

    BOOL SetEvent();
    BOOL PulseEvent();
    BOOL ResetEvent();
    BOOL Unlock();

    // Implementation
public:
    virtual ~CEvent();
};

class KIVOMFC_API CMutex : public CSyncObject
{
    DECLARE_DYNAMIC(CMutex)

public:
    CMutex(BOOL bInitiallyOwn = FALSE, LPCTSTR lpszName = nullptr, LPSECURITY_ATTRIBUTES lpsaAttribute = nullptr);

    BOOL Unlock();

    // Implementation
public:
    virtual ~CMutex();
};

// Holds a lock on a CSyncObject for a scope; the destructor releases it.
class KIVOMFC_API CSingleLock
{
public:
    explicit CSingleLock(CSyncObject* pObject, BOOL bInitialLock = FALSE);

    BOOL Lock(DWORD dwTimeOut = INFINITE);
    BOOL Unlock();
    BOOL Unlock(LONG lCount, LPLONG lPrevCount = nullptr);
    BOOL IsLocked();

    // Implementation
public:
    ~CSingleLock();

protected:
    CSyncObject* m_pObject;
    HANDLE m_hObject;
    BOOL m_bAcquired;
};

#endif   // __AFXMT_H__
