// Handle maps of the threads. Each thread has, per kind of handle, a map of
// permanent entries (objects that hold their handle; not owned by the map) and
// a map of temporary wrappers (owned by the map).
//
// A thread's temporaries are created, found and freed by that thread alone,
// so their map needs no lock. Its permanent entries are also removed by other
// threads: an object attached on one thread may be destroyed on another, and
// must not stay behind in the first thread's map.
//
// As MFC, the library frees a thread's temporaries when the thread calls
// DeleteTempMap or ends, or at the last AfxUnlockTempMaps (the call that
// MFC's idle-time handler makes). A worker thread never goes idle, so
// besides, temporaries whose handle has been deleted are freed whenever the
// thread's map has doubled since the last check: a thread that keeps
// creating and deleting handles holds a bounded number of them. Nothing
// valid can use those: their handle is gone.
#include "AfxHandleMap.h"
#include <atomic>
#include <new>
#include <unordered_map>

namespace
{
using CObjectMap = std::unordered_map<HANDLE, CObject*>;

// Temporaries are checked for dead handles once a map holds this many, then
// each time it has doubled since the last check.
const size_t kMinPurgeSize = 128;

// An SRW lock held, exclusive or shared, for the life of the object.
template <void(WINAPI* pfnAcquire)(PSRWLOCK), void(WINAPI* pfnRelease)(PSRWLOCK)>
class CSRWLockScope
{
public:
    explicit CSRWLockScope(SRWLOCK& lock)
        : m_lock(lock)
    {
        pfnAcquire(&m_lock);
    }
    ~CSRWLockScope() { pfnRelease(&m_lock); }
    CSRWLockScope(const CSRWLockScope&) = delete;
    void operator=(const CSRWLockScope&) = delete;

private:
    SRWLOCK& m_lock;
};
using CExclusiveLock = CSRWLockScope<::AcquireSRWLockExclusive, ::ReleaseSRWLockExclusive>;
using CSharedLock = CSRWLockScope<::AcquireSRWLockShared, ::ReleaseSRWLockShared>;

struct CThreadMaps
{
    CThreadMaps()
        : m_nTempMapLock(0)
        , m_pPrev(nullptr)
        , m_pNext(nullptr)
    {
        ::InitializeSRWLock(&m_lockPermanent);
        for (int nKind = 0; nKind < afxHandleKindCount; nKind++)
            m_nPurgeAt[nKind] = kMinPurgeSize;
    }

    SRWLOCK m_lockPermanent;   // guards m_mapPermanent
    CObjectMap m_mapPermanent[afxHandleKindCount];
    CObjectMap m_mapTemporary[afxHandleKindCount];   // the owning thread only
    size_t m_nPurgeAt[afxHandleKindCount];
    int m_nTempMapLock;
    CThreadMaps* m_pPrev;   // list of all threads' maps
    CThreadMaps* m_pNext;
};

DWORD s_dwTlsIndex = TLS_OUT_OF_INDEXES;
SRWLOCK s_lockThreads = SRWLOCK_INIT;   // guards the list; taken before any m_lockPermanent
CThreadMaps* s_pFirstMaps = nullptr;
std::atomic<LONG> s_nTempObjects(0);

CThreadMaps* GetThreadMaps(bool bCreate)
{
    CThreadMaps* pMaps = static_cast<CThreadMaps*>(::TlsGetValue(s_dwTlsIndex));
    if (pMaps != nullptr || !bCreate)
        return pMaps;
    pMaps = new (std::nothrow) CThreadMaps;
    if (pMaps == nullptr)
        AfxThrowMemoryException();
    ::TlsSetValue(s_dwTlsIndex, pMaps);
    CExclusiveLock lock(s_lockThreads);
    pMaps->m_pNext = s_pFirstMaps;
    if (s_pFirstMaps != nullptr)
        s_pFirstMaps->m_pPrev = pMaps;
    s_pFirstMaps = pMaps;
    return pMaps;
}

bool IsDCType(DWORD dwType)
{
    return dwType == OBJ_DC || dwType == OBJ_MEMDC || dwType == OBJ_METADC || dwType == OBJ_ENHMETADC;
}

bool IsLiveHandle(AFX_HANDLE_KIND nKind, HANDLE hHandle)
{
    DWORD dwType = ::GetObjectType(hHandle);
    return (nKind == afxHandleDC) ? IsDCType(dwType) : dwType != 0;
}

// Points a temporary (back) at the handle it stands for.
void RewrapTemporary(AFX_HANDLE_KIND nKind, CObject* pObject, HANDLE hHandle)
{
    if (nKind == afxHandleDC)
    {
        CDC* pDC = static_cast<CDC*>(pObject);
        pDC->m_hDC = static_cast<HDC>(hHandle);
        pDC->m_hAttribDC = pDC->m_hDC;
    }
    else
    {
        static_cast<CGdiObject*>(pObject)->m_hObject = hHandle;
    }
}

// As in MFC, a temporary for a GDI object is a plain CGdiObject whatever the
// kind of object: CPen::FromHandle and the selection functions of CDC only
// cast it.
CObject* NewTemporary(AFX_HANDLE_KIND nKind, HANDLE hHandle)
{
    CObject* pObject;
    if (nKind == afxHandleDC)
        pObject = new (std::nothrow) CDC;
    else
        pObject = new (std::nothrow) CGdiObject;
    if (pObject == nullptr)
        AfxThrowMemoryException();
    RewrapTemporary(nKind, pObject, hHandle);
    ++s_nTempObjects;
    return pObject;
}

// Takes the handle away first: a temporary never deletes what it wraps.
void DeleteTemporary(AFX_HANDLE_KIND nKind, CObject* pObject)
{
    RewrapTemporary(nKind, pObject, nullptr);
    delete pObject;
    --s_nTempObjects;
}

void DeleteAllTemporaries(CThreadMaps* pMaps, AFX_HANDLE_KIND nKind)
{
    CObjectMap& mapTemporary = pMaps->m_mapTemporary[nKind];
    for (CObjectMap::iterator it = mapTemporary.begin(); it != mapTemporary.end(); ++it)
        DeleteTemporary(nKind, it->second);
    mapTemporary.clear();
    pMaps->m_nPurgeAt[nKind] = kMinPurgeSize;
}

void PurgeDeadTemporaries(CThreadMaps* pMaps, AFX_HANDLE_KIND nKind)
{
    CObjectMap& mapTemporary = pMaps->m_mapTemporary[nKind];
    for (CObjectMap::iterator it = mapTemporary.begin(); it != mapTemporary.end();)
    {
        if (IsLiveHandle(nKind, it->first))
        {
            ++it;
        }
        else
        {
            DeleteTemporary(nKind, it->second);
            it = mapTemporary.erase(it);
        }
    }
    size_t nLive = mapTemporary.size();
    pMaps->m_nPurgeAt[nKind] = (2 * nLive > kMinPurgeSize) ? 2 * nLive : kMinPurgeSize;
}

bool RemovePermanent(CThreadMaps* pMaps, AFX_HANDLE_KIND nKind, HANDLE hHandle, CObject* pObject)
{
    CExclusiveLock lock(pMaps->m_lockPermanent);
    CObjectMap& mapPermanent = pMaps->m_mapPermanent[nKind];
    CObjectMap::iterator it = mapPermanent.find(hHandle);
    if (it == mapPermanent.end() || it->second != pObject)
        return false;
    mapPermanent.erase(it);
    return true;
}

// Unlinked maps are reachable by nobody else: free them without locks.
void UnlinkThreadMaps(CThreadMaps* pMaps)
{
    if (pMaps->m_pPrev != nullptr)
        pMaps->m_pPrev->m_pNext = pMaps->m_pNext;
    else
        s_pFirstMaps = pMaps->m_pNext;
    if (pMaps->m_pNext != nullptr)
        pMaps->m_pNext->m_pPrev = pMaps->m_pPrev;
    pMaps->m_pPrev = pMaps->m_pNext = nullptr;
}

void FreeThreadMaps(CThreadMaps* pMaps)
{
    // Permanent holders belong to their owners and are left alone.
    for (int nKind = 0; nKind < afxHandleKindCount; nKind++)
        DeleteAllTemporaries(pMaps, static_cast<AFX_HANDLE_KIND>(nKind));
    delete pMaps;
}
}   // namespace

/////////////////////////////////////////////////////////////////////////////
// Map operations

void AfxSetPermanentHandle(AFX_HANDLE_KIND nKind, HANDLE hHandle, CObject* pObject)
{
    CThreadMaps* pMaps = GetThreadMaps(true);
    CExclusiveLock lock(pMaps->m_lockPermanent);
    try
    {
        pMaps->m_mapPermanent[nKind][hHandle] = pObject;
    }
    catch (const std::bad_alloc&)
    {
        AfxThrowMemoryException();
    }
}

void AfxRemovePermanentHandle(AFX_HANDLE_KIND nKind, HANDLE hHandle, CObject* pObject)
{
    // Usually recorded by this thread; otherwise search the others.
    CThreadMaps* pOwnMaps = GetThreadMaps(false);
    if (pOwnMaps != nullptr && RemovePermanent(pOwnMaps, nKind, hHandle, pObject))
        return;
    CSharedLock lock(s_lockThreads);
    for (CThreadMaps* pMaps = s_pFirstMaps; pMaps != nullptr; pMaps = pMaps->m_pNext)
    {
        if (pMaps != pOwnMaps && RemovePermanent(pMaps, nKind, hHandle, pObject))
            return;
    }
}

CObject* AfxMapHandle(AFX_HANDLE_KIND nKind, HANDLE hHandle)
{
    if (hHandle == nullptr)
        return nullptr;
    CThreadMaps* pMaps = GetThreadMaps(true);
    {
        CSharedLock lock(pMaps->m_lockPermanent);
        CObjectMap::const_iterator it = pMaps->m_mapPermanent[nKind].find(hHandle);
        if (it != pMaps->m_mapPermanent[nKind].end())
            return it->second;
    }

    CObjectMap& mapTemporary = pMaps->m_mapTemporary[nKind];
    CObjectMap::iterator it = mapTemporary.find(hHandle);
    if (it != mapTemporary.end())
    {
        // Someone may have detached or deleted through the temporary.
        RewrapTemporary(nKind, it->second, hHandle);
        return it->second;
    }

    if (mapTemporary.size() >= pMaps->m_nPurgeAt[nKind])
        PurgeDeadTemporaries(pMaps, nKind);
    CObject* pObject = NewTemporary(nKind, hHandle);
    try
    {
        mapTemporary.emplace(hHandle, pObject);
    }
    catch (const std::bad_alloc&)
    {
        DeleteTemporary(nKind, pObject);
        AfxThrowMemoryException();
    }
    return pObject;
}

void AfxDeleteTempHandles(AFX_HANDLE_KIND nKind)
{
    CThreadMaps* pMaps = GetThreadMaps(false);
    if (pMaps != nullptr)
        DeleteAllTemporaries(pMaps, nKind);
}

void AFXAPI AfxLockTempMaps()
{
    GetThreadMaps(true)->m_nTempMapLock++;
}

BOOL AFXAPI AfxUnlockTempMaps(BOOL bDeleteTemps)
{
    CThreadMaps* pMaps = GetThreadMaps(false);
    if (pMaps == nullptr || pMaps->m_nTempMapLock == 0)
        return FALSE;
    if (--pMaps->m_nTempMapLock == 0 && bDeleteTemps)
    {
        for (int nKind = 0; nKind < afxHandleKindCount; nKind++)
            DeleteAllTemporaries(pMaps, static_cast<AFX_HANDLE_KIND>(nKind));
    }
    return pMaps->m_nTempMapLock != 0;
}

/////////////////////////////////////////////////////////////////////////////
// Start and end of threads and of the library

BOOL AfxInitProcessHandleMaps()
{
    s_dwTlsIndex = ::TlsAlloc();
    return s_dwTlsIndex != TLS_OUT_OF_INDEXES;
}

void AfxTermThreadHandleMaps()
{
    if (s_dwTlsIndex == TLS_OUT_OF_INDEXES)
        return;
    CThreadMaps* pMaps = static_cast<CThreadMaps*>(::TlsGetValue(s_dwTlsIndex));
    if (pMaps == nullptr)
        return;
    ::TlsSetValue(s_dwTlsIndex, nullptr);
    {
        CExclusiveLock lock(s_lockThreads);
        UnlinkThreadMaps(pMaps);
    }
    FreeThreadMaps(pMaps);
}

void AfxTermProcessHandleMaps()
{
    if (s_dwTlsIndex == TLS_OUT_OF_INDEXES)
        return;
    for (;;)
    {
        CThreadMaps* pMaps;
        {
            CExclusiveLock lock(s_lockThreads);
            pMaps = s_pFirstMaps;
            if (pMaps == nullptr)
                break;
            UnlinkThreadMaps(pMaps);
        }
        FreeThreadMaps(pMaps);
    }
    ::TlsFree(s_dwTlsIndex);
    s_dwTlsIndex = TLS_OUT_OF_INDEXES;
}

LONG AFXAPI AfxGetTempObjectCount(BOOL bAllThreads)
{
    if (bAllThreads)
        return s_nTempObjects.load();
    CThreadMaps* pMaps = GetThreadMaps(false);
    LONG nCount = 0;
    if (pMaps != nullptr)
    {
        for (int nKind = 0; nKind < afxHandleKindCount; nKind++)
            nCount += static_cast<LONG>(pMaps->m_mapTemporary[nKind].size());
    }
    return nCount;
}
