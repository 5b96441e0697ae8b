// KivoPropertyNames.cpp: property numbers by the names of tagEMVP, known to
// the library itself: the server is not asked.
#include "stdafx.h"
#include <KivoClient.h>

namespace
{
struct CKIVOPropertyName
{
    LPCTSTR pszName;
    tagEMVP eProp;
};

// Every enumerator of tagEMVP that names a property.
const CKIVOPropertyName g_aPropertyNames[] = {
    { _T("OWNER"), OWNER },
    { _T("CONTROLFLAGS"), CONTROLFLAGS },
    { _T("PICTUREWIDTH"), PICTUREWIDTH },
    { _T("PICTUREHEIGHT"), PICTUREHEIGHT },
    { _T("LIVEWIDTH"), LIVEWIDTH },
    { _T("LIVEHEIGHT"), LIVEHEIGHT },
    { _T("LIVELEFT"), LIVELEFT },
    { _T("LIVETOP"), LIVETOP },
    { _T("LIMITEDSIZE"), LIMITEDSIZE },
    { _T("LIVEWINDOW"), LIVEWINDOW },
    { _T("LIVECOLOR"), LIVECOLOR },
    { _T("LIVEDISPLAY"), LIVEDISPLAY },
    { _T("LIVEFORMAT"), LIVEFORMAT },
    { _T("LIVEFRAMERATE"), LIVEFRAMERATE },
    { _T("LIVEFRAMECOUNT"), LIVEFRAMECOUNT },
};
}

BOOL CKIVOClient::FindProperty(LPCTSTR pszName, tagEMVP* peProp)
{
    if (pszName == nullptr || peProp == nullptr)
        return FALSE;
    for (const CKIVOPropertyName& name : g_aPropertyNames)
    {
        if (CString(name.pszName).CompareNoCase(pszName) == 0)
        {
            *peProp = name.eProp;
            return TRUE;
        }
    }
    return FALSE;
}

CString CKIVOClient::GetPropertyEnumName(tagEMVP eProp)
{
    for (const CKIVOPropertyName& name : g_aPropertyNames)
    {
        if (name.eProp == eProp)
            return name.pszName;
    }
    return CString();
}
