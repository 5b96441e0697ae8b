// KivoSafeArray.h: the owner of one SAFEARRAY that the server handed over, and
// the test that it is the plain vector the caller expects before its data is read.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <climits>

#include "KivoUniqueResource.h"

struct CKIVOSafeArrayTraits
{
    using Type = SAFEARRAY*;
    static Type Invalid() { return nullptr; }
    static void Free(Type psa) { SafeArrayDestroy(psa); }
};

// The array with the lock the holder may have taken on it: the lock is given
// back before the array is destroyed, which a locked array refuses.
class CKIVOSafeArrayHolder
{
public:
    CKIVOSafeArrayHolder() = default;
    ~CKIVOSafeArrayHolder() { Unlock(); }
    CKIVOSafeArrayHolder(const CKIVOSafeArrayHolder&) = delete;
    CKIVOSafeArrayHolder& operator=(const CKIVOSafeArrayHolder&) = delete;

    // Out parameter for an array that the server hands over; what is held is
    // unlocked and destroyed first.
    SAFEARRAY** Receive()
    {
        Unlock();
        return m_array.Receive();
    }
    SAFEARRAY** operator&() { return Receive(); }
    SAFEARRAY* Get() const { return m_array.Get(); }

    // Locks the data for the rest of the holder's life; FALSE when it cannot.
    bool Lock()
    {
        if (!m_bLocked)
            m_bLocked = !m_array.IsNull() && SUCCEEDED(SafeArrayLock(m_array.Get()));
        return m_bLocked;
    }

    // True for what every caller of the server expects: one dimension from
    // index 0, elements of nElementBytes, data present whenever there are
    // elements. Anything else would make the element count claim bytes that
    // the array does not hold.
    bool IsVectorOf(ULONG nElementBytes) const
    {
        const SAFEARRAY* psa = m_array.Get();
        return psa != nullptr && psa->cDims == 1 && psa->rgsabound[0].lLbound == 0 && psa->cbElements == nElementBytes
               && (psa->pvData != nullptr || psa->rgsabound[0].cElements == 0);
    }

    // Elements of a vector (IsVectorOf): upper bound plus one, when that fits
    // the int in which callers report it. An array that claims 2^31 elements
    // or more gives FALSE: its upper bound plus one overflows 32 bits.
    bool GetCount(int* pnCount) const
    {
        SAFEARRAY* psa = m_array.Get();
        LONG nUpper = -1;
        if (psa == nullptr || psa->cDims != 1 || FAILED(SafeArrayGetUBound(psa, 1, &nUpper)))
            return false;
        const LONGLONG nCount = static_cast<LONGLONG>(nUpper) - psa->rgsabound[0].lLbound + 1;
        if (nCount < 0 || nCount != psa->rgsabound[0].cElements || nCount > INT_MAX)
            return false;
        *pnCount = static_cast<int>(nCount);
        return true;
    }

    // Bytes actually held, whatever the bounds, dimensions and element size say.
    ULONGLONG GetDataBytes() const
    {
        const SAFEARRAY* psa = m_array.Get();
        if (psa == nullptr || psa->pvData == nullptr)
            return 0;
        ULONGLONG nElements = 1;
        for (USHORT i = 0; i < psa->cDims; ++i)
            nElements *= psa->rgsabound[i].cElements;
        return nElements * psa->cbElements;
    }

    const void* GetData() const { return m_array.IsNull() ? nullptr : m_array.Get()->pvData; }

private:
    void Unlock()
    {
        if (m_bLocked)
            SafeArrayUnlock(m_array.Get());
        m_bLocked = false;
    }

    CKIVOUniqueResource<CKIVOSafeArrayTraits> m_array;
    bool m_bLocked = false;
};

// Copies at most nCount entries of nEntryBytes from the array, never more bytes
// than it holds; returns the bytes copied.
inline size_t CopyFromSafeArray(const CKIVOSafeArrayHolder& array, void* pTarget, long nCount, size_t nEntryBytes)
{
    if (nCount <= 0)
        return 0;
    ULONGLONG nMaxBytes = static_cast<ULONGLONG>(nCount) * nEntryBytes;
    ULONGLONG nBytes = array.GetDataBytes();
    if (nMaxBytes < nBytes)
        nBytes = nMaxBytes;
    if (nBytes > 0 && pTarget != nullptr)
        memcpy(pTarget, array.GetData(), static_cast<size_t>(nBytes));
    return static_cast<size_t>(nBytes);
}
