// CRuntimeClass and CObject.
#include <afx.h>
#include <stdio.h>

// Said on the debugger's output and on the error stream, where a test run
// shows it; the caller then breaks, which ends a program without a debugger.
BOOL AFXAPI AfxAssertFailedLine(LPCSTR lpszFileName, int nLine)
{
    char szMessage[512];
    _snprintf_s(szMessage, sizeof(szMessage), _TRUNCATE, "Assertion failed: %s(%d)\n",
                lpszFileName != nullptr ? lpszFileName : "?", nLine);
    ::OutputDebugStringA(szMessage);
    fputs(szMessage, stderr);
    fflush(stderr);
    return TRUE;
}

CObject* CRuntimeClass::CreateObject()
{
    if (m_pfnCreateObject == nullptr)   // abstract class or DECLARE_DYNAMIC only
        return nullptr;
    try
    {
        return (*m_pfnCreateObject)();
    }
    catch (CException* e)
    {
        e->Delete();
        return nullptr;
    }
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
    for (const CRuntimeClass* pClassThis = this; pClassThis != nullptr;
         pClassThis = (pClassThis->m_pfnGetBaseClass != nullptr) ? (*pClassThis->m_pfnGetBaseClass)() : nullptr)
    {
        if (pClassThis == pBaseClass)
            return TRUE;
    }
    return FALSE;
}

const CRuntimeClass CObject::classCObject = { "CObject", sizeof(CObject), 0xFFFF, nullptr, &CObject::_GetBaseClass,
                                              nullptr,   nullptr };

CRuntimeClass* PASCAL CObject::_GetBaseClass()
{
    return nullptr;
}

CRuntimeClass* PASCAL CObject::GetThisClass()
{
    return _RUNTIME_CLASS(CObject);
}

CRuntimeClass* CObject::GetRuntimeClass() const
{
    return _RUNTIME_CLASS(CObject);
}

BOOL CObject::IsSerializable() const
{
    return GetRuntimeClass()->m_wSchema != 0xFFFF;
}

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}

void CObject::Serialize(CArchive& /* ar */) {}

void CObject::AssertValid() const {}

void CObject::Dump(CDumpContext& /* dc */) const {}
