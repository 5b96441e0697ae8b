// KivoComPtr.h: the owner of one reference to a COM interface.
#pragma once

#include <objbase.h>

// Holds at most one reference and releases it on every way out. An out
// parameter is filled through Receive(), which first gives back what is held,
// so a reference is never overwritten unreleased.
template <typename T>
class CKIVOComPtr
{
public:
    CKIVOComPtr() : m_p(NULL) {}
    // Takes over a reference that the caller already holds.
    explicit CKIVOComPtr(T* p) : m_p(p) {}
    CKIVOComPtr(CKIVOComPtr&& other) noexcept : m_p(other.m_p) { other.m_p = NULL; }
    CKIVOComPtr& operator=(CKIVOComPtr&& other) noexcept
    {
        if (this != &other)
        {
            Reset();
            m_p = other.m_p;
            other.m_p = NULL;
        }
        return *this;
    }
    ~CKIVOComPtr() { Reset(); }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    bool IsNull() const { return m_p == NULL; }

    // Gives back the reference held; returns what Release answered (0 when empty).
    ULONG Reset()
    {
        T* p = m_p;
        m_p = NULL;
        return p != NULL ? p->Release() : 0;
    }
    // Hands the reference to the caller, who then owns it.
    T* Detach()
    {
        T* p = m_p;
        m_p = NULL;
        return p;
    }
    void** Receive()
    {
        Reset();
        return reinterpret_cast<void**>(&m_p);
    }
    T** ReceiveTyped()
    {
        Reset();
        return &m_p;
    }

    // A new reference to riid of the object held, or an empty owner.
    template <typename U>
    HRESULT QueryInto(REFIID riid, CKIVOComPtr<U>& target) const
    {
        if (m_p == NULL)
        {
            target.Reset();
            return E_POINTER;
        }
        return m_p->QueryInterface(riid, target.Receive());
    }

private:
    CKIVOComPtr(const CKIVOComPtr&);
    CKIVOComPtr& operator=(const CKIVOComPtr&);

    T* m_p;
};
