// KivoBstr.h: the owner of one BSTR, to and from the server.
#pragma once

#include <afx.h>
#include <oleauto.h>

#include "KivoBstrTraits.h"

class CKIVOBstr : public CKIVOUniqueResource<CKIVOBstrTraits>
{
public:
    CKIVOBstr() = default;
    // A string for the server, with every character of the text, embedded NULs included.
    explicit CKIVOBstr(const CString& str)
        : CKIVOUniqueResource<CKIVOBstrTraits>(str.AllocSysString())
    {
    }

    // The whole string as the server sent it: SysStringLen characters, so a
    // text with an embedded NUL keeps its full length.
    CString ToString() const { return !IsNull() ? CString(Get(), static_cast<int>(SysStringLen(Get()))) : CString(); }
};
