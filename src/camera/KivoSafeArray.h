// KivoSafeArray.h: ownership of a SAFEARRAY that the server handed over, and
// the bounds within which its data may be read.
#pragma once

#include <oleauto.h>

class CKIVOSafeArrayHolder
{
public:
    CKIVOSafeArrayHolder() : m_psa(NULL), m_bLocked(false) {}
    ~CKIVOSafeArrayHolder()
    {
        if (m_psa == NULL)
            return;
        if (m_bLocked)
            SafeArrayUnlock(m_psa);
        SafeArrayDestroy(m_psa);
    }

    SAFEARRAY** operator&() { return &m_psa; }
    SAFEARRAY* Get() const { return m_psa; }

    // Locks the data for the rest of the holder's life; FALSE when it cannot.
    bool Lock()
    {
        m_bLocked = m_psa != NULL && SUCCEEDED(SafeArrayLock(m_psa));
        return m_bLocked;
    }

    // Entries as the caller counts them: upper bound of dimension 1 plus one.
    long GetCount() const
    {
        LONG nUpper = -1;
        if (m_psa == NULL || FAILED(SafeArrayGetUBound(m_psa, 1, &nUpper)))
            return 0;
        return nUpper + 1;
    }

    // Bytes actually held, whatever the bounds, dimensions and element size say.
    ULONGLONG GetDataBytes() const
    {
        if (m_psa == NULL || m_psa->pvData == NULL)
            return 0;
        ULONGLONG nElements = 1;
        for (USHORT i = 0; i < m_psa->cDims; ++i)
            nElements *= m_psa->rgsabound[i].cElements;
        return nElements * m_psa->cbElements;
    }

    const void* GetData() const { return m_psa != NULL ? m_psa->pvData : NULL; }

private:
    CKIVOSafeArrayHolder(const CKIVOSafeArrayHolder&);
    CKIVOSafeArrayHolder& operator=(const CKIVOSafeArrayHolder&);

    SAFEARRAY* m_psa;
    bool m_bLocked;
};

// Copies at most nCount entries of nEntryBytes from the array, never more bytes
// than it holds; returns the bytes copied.
inline size_t CopyFromSafeArray(const CKIVOSafeArrayHolder& array, void* pTarget, long nCount,
                                size_t nEntryBytes)
{
    if (nCount <= 0)
        return 0;
    ULONGLONG nMaxBytes = static_cast<ULONGLONG>(nCount) * nEntryBytes;
    ULONGLONG nBytes = array.GetDataBytes();
    if (nMaxBytes < nBytes)
        nBytes = nMaxBytes;
    if (nBytes > 0 && pTarget != NULL)
        memcpy(pTarget, array.GetData(), static_cast<size_t>(nBytes));
    return static_cast<size_t>(nBytes);
}
