// CRuntimeClass and CObject.
#include <afx.h>
#include <stdio.h>

// Said on the debugger's output and on the error stream, where a test run
// shows it; the caller then breaks, which ends a program without a debugger.
BOOL AFXAPI AfxAssertFailedLine(LPCSTR lpszFileName, int nLine)
{
	char szMessage[512];
	_snprintf_s(szMessage, sizeof(szMessage), _TRUNCATE, "Assertion failed: %s(%d)\n",
		lpszFileName != NULL ? lpszFileName : "?", nLine);
	::OutputDebugStringA(szMessage);
	fputs(szMessage, stderr);
	fflush(stderr);
	return TRUE;
}

CObject* CRuntimeClass::CreateObject()
{
	if (m_pfnCreateObject == NULL)     // abstract class or DECLARE_DYNAMIC only
		return NULL;
	try
	{
		return (*m_pfnCreateObject)();
	}
	catch (CException* e)
	{
		e->Delete();
		return NULL;
	}
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* pBaseClass) const
{
	for (const CRuntimeClass* pClassThis = this; pClassThis != NULL;
		pClassThis = (pClassThis->m_pfnGetBaseClass != NULL) ? (*pClassThis->m_pfnGetBaseClass)() : NULL)
	{
		if (pClassThis == pBaseClass)
			return TRUE;
	}
	return FALSE;
}

const CRuntimeClass CObject::classCObject =
	{ "CObject", sizeof(CObject), 0xFFFF, NULL, &CObject::_GetBaseClass, NULL, NULL };

CRuntimeClass* PASCAL CObject::_GetBaseClass()
{
	return NULL;
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

void CObject::Serialize(CArchive& /* ar */)
{
}

void CObject::AssertValid() const
{
}

void CObject::Dump(CDumpContext& /* dc */) const
{
}
