// KivoThreadAttachTable.h: what the client keeps of each attached thread beside
// its interface pointer: how often it attached, whether its last detach undoes
// a COM initialisation of the client's making, and a handle on the thread.
//
// The attach count is kept here, not read from the count that Release returns:
// that count is the proxy's, and other holders (a marshalled packet written from
// the proxy, COM's own caches) may hold references to it too, so it is not the
// attach count on every platform and for every server.
//
// The handle makes an entry belong to its thread rather than to its id. Once the
// thread has ended the handle is signalled and the entry is known to be dead;
// and while the handle is open the system gives the thread's id to no new
// thread (a thread id stays taken until the last handle to the thread is
// closed, on Windows and under Wine), so a live thread never finds a dead
// thread's entry under its own id.
#pragma once

#include <afxwin.h>
#include <afxtempl.h>

class CKIVOThreadAttachTable
{
public:
    CKIVOThreadAttachTable();
    ~CKIVOThreadAttachTable();
    CKIVOThreadAttachTable(const CKIVOThreadAttachTable&) = delete;
    CKIVOThreadAttachTable& operator=(const CKIVOThreadAttachTable&) = delete;

    // A new entry of the calling thread with one attach. bUninitialize says
    // whether its last detach undoes a COM initialisation.
    void AddCallingThread(BOOL bUninitialize);
    // One attach more or less for the thread's entry; the count that remains.
    // A thread without an entry counts 0.
    LONG AddAttach(DWORD dwThreadId);
    LONG DropAttach(DWORD dwThreadId);
    LONG GetAttachCount(DWORD dwThreadId) const;
    // Removes the thread's entry; TRUE when its COM initialisation is to be undone.
    BOOL Remove(DWORD dwThreadId);
    // TRUE when the entry's thread has ended (its entry is then dead).
    BOOL HasEnded(DWORD dwThreadId) const;
    // Removes one entry whose thread has ended and gives its id; FALSE when
    // every entry's thread still runs.
    BOOL RemoveEnded(DWORD* pdwThreadId);

private:
    struct CEntry
    {
        LONG nAttaches;
        BOOL bUninitialize;
        HANDLE hThread;   // owned by the table; null when it could not be made
    };
    static BOOL IsEnded(const CEntry& entry);

    CMap<DWORD, DWORD, CEntry, const CEntry&> m_mapEntries;
};
