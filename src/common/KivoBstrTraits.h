// KivoBstrTraits.h: how a BSTR is owned, apart from KivoBstr.h so that the
// programs without MFC (the simulator, its tests) own theirs the same way:
// CKIVOUniqueResource<CKIVOBstrTraits>.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "KivoUniqueResource.h"

struct CKIVOBstrTraits
{
    using Type = BSTR;
    static Type Invalid() { return nullptr; }
    static void Free(Type bstr) { SysFreeString(bstr); }
};
