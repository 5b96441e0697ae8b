// KivoComPtr.h: the owner of one reference to a COM interface.
#pragma once

#include <objbase.h>

#include "KivoUniqueResource.h"

template <typename T>
struct CKIVOComTraits
{
    using Type = T*;
    static Type Invalid() { return nullptr; }
    static void Free(Type p) { p->Release(); }
};

// Holds at most one reference and releases it on every way out. An out
// parameter is filled through Receive(), which first gives back what is held,
// so a reference is never overwritten unreleased.
template <typename T>
class CKIVOComPtr : public CKIVOUniqueResource<CKIVOComTraits<T>>
{
    using CBase = CKIVOUniqueResource<CKIVOComTraits<T>>;

public:
    using CBase::CBase;

    T* operator->() const { return this->Get(); }

    // Out parameter of the untyped kind that COM's functions take (void**).
    void** Receive() { return reinterpret_cast<void**>(CBase::Receive()); }
    T** ReceiveTyped() { return CBase::Receive(); }
};

namespace Kivo
{
// The one way to ask for another interface: a new reference to riid of the
// object p points to, in target; target empty when p has none (or p is null).
template <typename T, typename U>
HRESULT QueryInterfaceTo(T* p, REFIID riid, CKIVOComPtr<U>& target)
{
    if (p == nullptr)
    {
        target.Reset();
        return E_POINTER;
    }
    return p->QueryInterface(riid, target.Receive());
}
}
