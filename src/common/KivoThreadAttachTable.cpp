// KivoThreadAttachTable.cpp: attach counts and thread handles of attached threads.
#include "stdafx.h"
#include "KivoThreadAttachTable.h"

CKIVOThreadAttachTable::CKIVOThreadAttachTable()
    : m_mapEntries(10)
{
}

CKIVOThreadAttachTable::~CKIVOThreadAttachTable()
{
    POSITION pos = m_mapEntries.GetStartPosition();
    while (pos != nullptr)
    {
        DWORD dwThreadId = 0;
        CEntry entry;
        m_mapEntries.GetNextAssoc(pos, dwThreadId, entry);
        if (entry.hThread != nullptr)
            CloseHandle(entry.hThread);
    }
}

void CKIVOThreadAttachTable::AddCallingThread(BOOL bUninitialize)
{
    const DWORD dwThreadId = GetCurrentThreadId();
    Remove(dwThreadId);
    CEntry entry = { 1, bUninitialize, nullptr };
    // Waiting is all the handle is for. Without one the entry is taken to live
    // as long as the process: no worse than going by the id alone.
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &entry.hThread, SYNCHRONIZE,
                         FALSE, 0))
        entry.hThread = nullptr;
    try
    {
        m_mapEntries.SetAt(dwThreadId, entry);
    }
    catch (CException*)
    {
        if (entry.hThread != nullptr)
            CloseHandle(entry.hThread);
        throw;
    }
}

LONG CKIVOThreadAttachTable::AddAttach(DWORD dwThreadId)
{
    CMap<DWORD, DWORD, CEntry, const CEntry&>::CPair* pPair = m_mapEntries.PLookup(dwThreadId);
    return pPair != nullptr ? ++pPair->value.nAttaches : 0;
}

LONG CKIVOThreadAttachTable::DropAttach(DWORD dwThreadId)
{
    CMap<DWORD, DWORD, CEntry, const CEntry&>::CPair* pPair = m_mapEntries.PLookup(dwThreadId);
    if (pPair == nullptr)
        return 0;
    if (pPair->value.nAttaches > 0)
        --pPair->value.nAttaches;
    return pPair->value.nAttaches;
}

LONG CKIVOThreadAttachTable::GetAttachCount(DWORD dwThreadId) const
{
    CEntry entry;
    return m_mapEntries.Lookup(dwThreadId, entry) ? entry.nAttaches : 0;
}

BOOL CKIVOThreadAttachTable::Remove(DWORD dwThreadId)
{
    CEntry entry;
    if (!m_mapEntries.Lookup(dwThreadId, entry))
        return FALSE;
    m_mapEntries.RemoveKey(dwThreadId);
    if (entry.hThread != nullptr)
        CloseHandle(entry.hThread);
    return entry.bUninitialize;
}

BOOL CKIVOThreadAttachTable::IsEnded(const CEntry& entry)
{
    return entry.hThread != nullptr && WaitForSingleObject(entry.hThread, 0) == WAIT_OBJECT_0;
}

BOOL CKIVOThreadAttachTable::HasEnded(DWORD dwThreadId) const
{
    CEntry entry;
    return m_mapEntries.Lookup(dwThreadId, entry) && IsEnded(entry);
}

BOOL CKIVOThreadAttachTable::RemoveEnded(DWORD* pdwThreadId)
{
    POSITION pos = m_mapEntries.GetStartPosition();
    while (pos != nullptr)
    {
        DWORD dwThreadId = 0;
        CEntry entry;
        m_mapEntries.GetNextAssoc(pos, dwThreadId, entry);
        if (IsEnded(entry))
        {
            Remove(dwThreadId);
            *pdwThreadId = dwThreadId;
            return TRUE;
        }
    }
    return FALSE;
}
