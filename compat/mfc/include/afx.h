// afx.h - core MFC declarations: run-time classes, CObject, exceptions, CString.
#pragma once
#ifndef __AFX_H__
#define __AFX_H__

#ifndef __cplusplus
#error MFC requires C++ compilation
#endif

#include <afxver_.h>
#include <windows.h>
#include <ole2.h>
#include <tchar.h>
#include <stdarg.h>
#include <stddef.h>
#include <stdlib.h>
#include <string.h>
#include <new>

/////////////////////////////////////////////////////////////////////////////
// Diagnostics: in a Debug build (_DEBUG) ASSERT stops the program at a false
// condition and VERIFY does the same after evaluating it; in a release build
// ASSERT and TRACE vanish and VERIFY keeps its side effects.

// Reports a failed assertion; TRUE asks the caller to break into the debugger.
KIVOMFC_API BOOL AFXAPI AfxAssertFailedLine(LPCSTR lpszFileName, int nLine);

#ifdef _DEBUG
#define AfxDebugBreak() __debugbreak()
#define ASSERT(f)                                                                                                      \
    do                                                                                                                 \
    {                                                                                                                  \
        if (!(f) && AfxAssertFailedLine(__FILE__, __LINE__))                                                           \
            AfxDebugBreak();                                                                                           \
    } while (0)
#define VERIFY(f) ASSERT(f)
#define ASSERT_VALID(pOb) ASSERT((pOb) != nullptr)
#else
#define ASSERT(f) ((void)0)
#define VERIFY(f) ((void)(f))
#define ASSERT_VALID(pOb) ((void)0)
#endif
#define TRACE(...) ((void)0)
#define UNUSED_ALWAYS(x) ((void)(x))

#define ENSURE_THROW(cond, exception)                                                                                  \
    do                                                                                                                 \
    {                                                                                                                  \
        if (!(cond))                                                                                                   \
        {                                                                                                              \
            exception;                                                                                                 \
        }                                                                                                              \
    } while (false)
#define ENSURE(cond) ENSURE_THROW(cond, ::AfxThrowInvalidArgException())
#define ENSURE_ARG(cond) ENSURE_THROW(cond, ::AfxThrowInvalidArgException())

/////////////////////////////////////////////////////////////////////////////
// Iteration position of the collection classes.

struct __POSITION
{
};
using POSITION = __POSITION*;
#define BEFORE_START_POSITION ((POSITION)-1L)

class CObject;
class CArchive;
class CDumpContext;
struct AFX_CLASSINIT;

/////////////////////////////////////////////////////////////////////////////
// Run-time class information

struct KIVOMFC_API CRuntimeClass
{
    // Attributes
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;                          // 0xFFFF: not serializable
    CObject*(PASCAL* m_pfnCreateObject)();   // NULL: abstract class
    CRuntimeClass*(PASCAL* m_pfnGetBaseClass)();

    // Operations
    CObject* CreateObject();
    BOOL IsDerivedFrom(const CRuntimeClass* pBaseClass) const;

    // Implementation
    CRuntimeClass* m_pNextClass;
    const AFX_CLASSINIT* m_pClassInit;
};

/////////////////////////////////////////////////////////////////////////////
// CObject - root of the MFC class hierarchy

class KIVOMFC_API CObject
{
public:
    virtual CRuntimeClass* GetRuntimeClass() const;
    virtual ~CObject() = 0;
    CObject(const CObject&) = delete;
    void operator=(const CObject&) = delete;

protected:
    CObject();

public:
    BOOL IsSerializable() const;
    BOOL IsKindOf(const CRuntimeClass* pClass) const;

    virtual void Serialize(CArchive& ar);
    virtual void AssertValid() const;
    virtual void Dump(CDumpContext& dc) const;

    // Implementation
public:
    static const CRuntimeClass classCObject;
    static CRuntimeClass* PASCAL _GetBaseClass();
    static CRuntimeClass* PASCAL GetThisClass();
};

inline CObject::CObject() {}
inline CObject::~CObject() {}

// Run-time class macros (shared-library form: base classes are reached
// through functions, so class records may live in any module).

#define _RUNTIME_CLASS(class_name) ((CRuntimeClass*)(&class_name::class##class_name))
#define RUNTIME_CLASS(class_name) (class_name::GetThisClass())

#define DECLARE_DYNAMIC(class_name)                                                                                    \
protected:                                                                                                             \
    static CRuntimeClass* PASCAL _GetBaseClass();                                                                      \
                                                                                                                       \
public:                                                                                                                \
    static const CRuntimeClass class##class_name;                                                                      \
    static CRuntimeClass* PASCAL GetThisClass();                                                                       \
    virtual CRuntimeClass* GetRuntimeClass() const;

#define DECLARE_DYNCREATE(class_name)                                                                                  \
    DECLARE_DYNAMIC(class_name)                                                                                        \
    static CObject* PASCAL CreateObject();

#define IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, wSchema, pfnNew, class_init)                               \
    CRuntimeClass* PASCAL class_name::_GetBaseClass()                                                                  \
    {                                                                                                                  \
        return RUNTIME_CLASS(base_class_name);                                                                         \
    }                                                                                                                  \
    const CRuntimeClass class_name::class##class_name = { #class_name, sizeof(class class_name),   wSchema,            \
                                                          pfnNew,      &class_name::_GetBaseClass, nullptr,            \
                                                          class_init };                                                \
    CRuntimeClass* PASCAL class_name::GetThisClass()                                                                   \
    {                                                                                                                  \
        return _RUNTIME_CLASS(class_name);                                                                             \
    }                                                                                                                  \
    CRuntimeClass* class_name::GetRuntimeClass() const                                                                 \
    {                                                                                                                  \
        return _RUNTIME_CLASS(class_name);                                                                             \
    }

#define IMPLEMENT_DYNAMIC(class_name, base_class_name)                                                                 \
    IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)                                                               \
    CObject* PASCAL class_name::CreateObject()                                                                         \
    {                                                                                                                  \
        return new class_name;                                                                                         \
    }                                                                                                                  \
    IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, class_name::CreateObject, nullptr)

/////////////////////////////////////////////////////////////////////////////
// Exceptions: thrown and caught by pointer (catch (CException* e)), disposed
// of with e->Delete().

class KIVOMFC_API CException : public CObject
{
    DECLARE_DYNAMIC(CException)

public:
    CException();   // auto-delete
    explicit CException(BOOL bAutoDelete);

    void Delete();

    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr);
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const;
    virtual int ReportError(UINT nType = MB_OK, UINT nMessageID = 0);

    // Implementation
public:
    virtual ~CException() = 0;
    BOOL m_bAutoDelete;
};

// Base of the exceptions whose text is a fixed string resource.
class KIVOMFC_API CSimpleException : public CException
{
    DECLARE_DYNAMIC(CSimpleException)

public:
    CSimpleException();
    explicit CSimpleException(BOOL bAutoDelete);

    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const;

    // Implementation
public:
    virtual ~CSimpleException() = 0;

protected:
    UINT m_nResourceID;
};

class KIVOMFC_API CMemoryException : public CSimpleException
{
    DECLARE_DYNAMIC(CMemoryException)
public:
    CMemoryException();
    explicit CMemoryException(BOOL bAutoDelete);
    CMemoryException(BOOL bAutoDelete, UINT nResourceID);
    virtual ~CMemoryException();
};

class KIVOMFC_API CNotSupportedException : public CSimpleException
{
    DECLARE_DYNAMIC(CNotSupportedException)
public:
    CNotSupportedException();
    explicit CNotSupportedException(BOOL bAutoDelete);
    CNotSupportedException(BOOL bAutoDelete, UINT nResourceID);
    virtual ~CNotSupportedException();
};

class KIVOMFC_API CInvalidArgException : public CSimpleException
{
    DECLARE_DYNAMIC(CInvalidArgException)
public:
    CInvalidArgException();
    explicit CInvalidArgException(BOOL bAutoDelete);
    CInvalidArgException(BOOL bAutoDelete, UINT nResourceID);
    virtual ~CInvalidArgException();
};

class KIVOMFC_API CResourceException : public CSimpleException
{
    DECLARE_DYNAMIC(CResourceException)
public:
    CResourceException();
    explicit CResourceException(BOOL bAutoDelete);
    CResourceException(BOOL bAutoDelete, UINT nResourceID);
    virtual ~CResourceException();
};

// These throw a static, non-auto-deleting object: they must work when the heap
// is exhausted.
KIVOMFC_API __declspec(noreturn) void AFXAPI AfxThrowMemoryException();
KIVOMFC_API __declspec(noreturn) void AFXAPI AfxThrowNotSupportedException();
KIVOMFC_API __declspec(noreturn) void AFXAPI AfxThrowInvalidArgException();
KIVOMFC_API __declspec(noreturn) void AFXAPI AfxThrowResourceException();

/////////////////////////////////////////////////////////////////////////////

#include <afxstr.h>

#endif   // __AFX_H__
