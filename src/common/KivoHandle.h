// KivoHandle.h: the owner of one kernel handle (thread, event).
#pragma once

#include <windows.h>

#include "KivoUniqueResource.h"

// Thread and event handles, for which NULL is the empty value (not a file
// handle, whose empty value is INVALID_HANDLE_VALUE).
struct CKIVOHandleTraits
{
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Free(Type h) { CloseHandle(h); }
};

class CKIVOHandle : public CKIVOUniqueResource<CKIVOHandleTraits>
{
public:
    using CKIVOUniqueResource<CKIVOHandleTraits>::CKIVOUniqueResource;

    // Read access as a plain handle, as with the platform's own handle classes;
    // the owner keeps the handle.
    operator HANDLE() const { return Get(); }
};

namespace Kivo
{
// A second handle to the same object (thread, event) with the same access;
// empty when it could not be made.
inline HANDLE DuplicateOwnHandle(HANDLE h)
{
    HANDLE hCopy = nullptr;
    if (h == nullptr
        || !DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &hCopy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return nullptr;
    return hCopy;
}

// A manual-reset event, not signalled at first; empty when it could not be made.
inline HANDLE CreateManualResetEvent()
{
    return CreateEventW(nullptr, TRUE, FALSE, nullptr);
}
}
