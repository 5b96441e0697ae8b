// KivoHandle.h: the owner of one kernel handle (thread, event).
#pragma once

#include <windows.h>

class CKIVOHandle
{
public:
    CKIVOHandle() : m_h(NULL) {}
    explicit CKIVOHandle(HANDLE h) : m_h(h) {}
    CKIVOHandle(CKIVOHandle&& other) noexcept : m_h(other.m_h) { other.m_h = NULL; }
    CKIVOHandle& operator=(CKIVOHandle&& other) noexcept
    {
        if (this != &other)
        {
            Reset();
            m_h = other.m_h;
            other.m_h = NULL;
        }
        return *this;
    }
    ~CKIVOHandle() { Reset(); }

    HANDLE Get() const { return m_h; }
    // Read access as a plain handle, as with the platform's own handle classes;
    // the owner keeps the handle.
    operator HANDLE() const { return m_h; }
    bool IsNull() const { return m_h == NULL; }
    void Reset(HANDLE h = NULL)
    {
        if (m_h != NULL)
            CloseHandle(m_h);
        m_h = h;
    }
    HANDLE Detach()
    {
        HANDLE h = m_h;
        m_h = NULL;
        return h;
    }

private:
    CKIVOHandle(const CKIVOHandle&);
    CKIVOHandle& operator=(const CKIVOHandle&);

    HANDLE m_h;
};

namespace Kivo
{
// A second handle to the same object (thread, event) with the same access;
// empty when it could not be made.
inline HANDLE DuplicateOwnHandle(HANDLE h)
{
    HANDLE hCopy = NULL;
    if (h == NULL
        || !DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &hCopy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return NULL;
    return hCopy;
}

// A manual-reset event, not signalled at first; empty when it could not be made.
inline HANDLE CreateManualResetEvent()
{
    return CreateEventW(NULL, TRUE, FALSE, NULL);
}
}
