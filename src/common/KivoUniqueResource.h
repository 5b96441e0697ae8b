// KivoUniqueResource.h: the owner of one resource, whatever its kind. A traits
// struct per kind names the stored type, its empty value and how it is freed:
//
//     struct CKIVORegKeyTraits
//     {
//         typedef HKEY Type;
//         static Type Invalid() { return nullptr; }
//         static void Free(Type hKey) { RegCloseKey(hKey); }
//     };
//     CKIVOUniqueResource<CKIVORegKeyTraits> key;   // RegOpenKeyExW(..., key.Receive())
//
// Free is called once for each value taken over, never for the empty value.
// The owner moves but does not copy: exactly one owner frees. What holds no
// single value (a COM initialisation, a window's DC with its window, a GDI+
// start-up, whose token has no documented empty value) is a scope class.
#pragma once

#include <utility>

template <typename TTraits>
class CKIVOUniqueResource
{
public:
    using Type = typename TTraits::Type;

    CKIVOUniqueResource() noexcept
        : m_value(TTraits::Invalid())
    {
    }
    // Takes over a value that the caller owns.
    explicit CKIVOUniqueResource(Type value) noexcept
        : m_value(value)
    {
    }
    CKIVOUniqueResource(CKIVOUniqueResource&& other) noexcept
        : m_value(other.Detach())
    {
    }
    CKIVOUniqueResource& operator=(CKIVOUniqueResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    ~CKIVOUniqueResource() { Reset(); }
    CKIVOUniqueResource(const CKIVOUniqueResource&) = delete;
    CKIVOUniqueResource& operator=(const CKIVOUniqueResource&) = delete;

    Type Get() const noexcept { return m_value; }
    bool IsNull() const noexcept { return m_value == TTraits::Invalid(); }

    // Frees what is held and takes over value. The new value is stored before
    // the old one is freed, so a Free that comes back here finds no freed value.
    void Reset(Type value = TTraits::Invalid()) noexcept
    {
        Type old = m_value;
        m_value = value;
        if (old != TTraits::Invalid())
            TTraits::Free(old);
    }
    // Hands the value to the caller, who then owns it.
    Type Detach() noexcept
    {
        Type value = m_value;
        m_value = TTraits::Invalid();
        return value;
    }
    // Out parameter for a function that hands a value over: what is held is
    // freed first, so a value is never overwritten unfreed.
    Type* Receive() noexcept
    {
        Reset();
        return &m_value;
    }

    void Swap(CKIVOUniqueResource& other) noexcept { std::swap(m_value, other.m_value); }

private:
    Type m_value;
};
