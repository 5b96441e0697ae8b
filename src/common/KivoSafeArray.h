// KivoSafeArray.h: the owner of one SAFEARRAY that the server handed over, and
// the test that it is the plain vector the caller expects before its data is read.
#pragma once

#include <oleauto.h>

#include <climits>

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

    // Out parameter for an array that the server hands over; the holder must be empty.
    SAFEARRAY** operator&() { return &m_psa; }
    SAFEARRAY* Get() const { return m_psa; }

    // Locks the data for the rest of the holder's life; FALSE when it cannot.
    bool Lock()
    {
        if (!m_bLocked)
            m_bLocked = m_psa != NULL && SUCCEEDED(SafeArrayLock(m_psa));
        return m_bLocked;
    }

    // True for what every caller of the server expects: one dimension from
    // index 0, elements of nElementBytes, data present whenever there are
    // elements. Anything else would make the element count claim bytes that
    // the array does not hold.
    bool IsVectorOf(ULONG nElementBytes) const
    {
        return m_psa != NULL && m_psa->cDims == 1 && m_psa->rgsabound[0].lLbound == 0
               && m_psa->cbElements == nElementBytes
               && (m_psa->pvData != NULL || m_psa->rgsabound[0].cElements == 0);
    }

    // Elements of a vector (IsVectorOf): upper bound plus one, when that fits
    // the int in which callers report it. An array that claims 2^31 elements
    // or more gives FALSE: its upper bound plus one overflows 32 bits.
    bool GetCount(int* pnCount) const
    {
        LONG nUpper = -1;
        if (m_psa == NULL || m_psa->cDims != 1 || FAILED(SafeArrayGetUBound(m_psa, 1, &nUpper)))
            return false;
        const LONGLONG nCount = static_cast<LONGLONG>(nUpper) - m_psa->rgsabound[0].lLbound + 1;
        if (nCount < 0 || nCount != m_psa->rgsabound[0].cElements || nCount > INT_MAX)
            return false;
        *pnCount = static_cast<int>(nCount);
        return true;
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
