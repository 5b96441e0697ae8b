// afxdisp.h - OLE automation support: COleException, COleVariant, COleSafeArray.
//
// The wrappers turn failing OLE calls into exceptions: E_OUTOFMEMORY throws
// CMemoryException*, any other failure COleException* carrying the code.
#pragma once
#ifndef __AFXDISP_H__
#define __AFXDISP_H__

#ifndef __AFXWIN_H__
#include <afxwin.h>
#endif
#include <ole2.h>
#include <oleauto.h>

// Not defined by the OLE headers.
using LPCVARIANT = const VARIANT*;

class KIVOMFC_API COleException : public CException
{
    DECLARE_DYNAMIC(COleException)

public:
    SCODE m_sc;
    static SCODE PASCAL Process(const CException* pAnyException);

    // Implementation (use AfxThrowOleException to create)
public:
    COleException();
    virtual ~COleException();
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const;
};

// Throws a new, auto-deleting COleException*.
KIVOMFC_API __declspec(noreturn) void AFXAPI AfxThrowOleException(SCODE sc);
// Does nothing for success codes; otherwise throws as described above.
KIVOMFC_API void AFXAPI AfxCheckError(SCODE sc);

/////////////////////////////////////////////////////////////////////////////
// COleVariant - a VARIANT that owns its contents

class KIVOMFC_API COleVariant : public tagVARIANT
{
public:
    // Constructors
    COleVariant();
    COleVariant(const VARIANT& varSrc);
    COleVariant(LPCVARIANT pSrc);
    COleVariant(const COleVariant& varSrc);
    COleVariant(LPCTSTR lpszSrc);                     // VT_BSTR
    COleVariant(CString& strSrc);                     // VT_BSTR
    COleVariant(BYTE nSrc);                           // VT_UI1
    COleVariant(short nSrc, VARTYPE vtSrc = VT_I2);   // VT_I2 or VT_BOOL
    COleVariant(long lSrc, VARTYPE vtSrc = VT_I4);    // VT_I4, VT_ERROR, VT_BOOL, ...
    COleVariant(float fltSrc);                        // VT_R4
    COleVariant(double dblSrc);                       // VT_R8

    // Operations
    void Clear();
    void ChangeType(VARTYPE vartype, LPVARIANT pSrc = nullptr);
    void Attach(VARIANT& varSrc);   // takes over the contents; varSrc becomes VT_EMPTY
    VARIANT Detach();               // hands over the contents; this becomes VT_EMPTY

    const COleVariant& operator=(const VARIANT& varSrc);
    const COleVariant& operator=(LPCVARIANT pSrc);
    const COleVariant& operator=(const COleVariant& varSrc);
    const COleVariant& operator=(const LPCTSTR lpszSrc);
    const COleVariant& operator=(const CString& strSrc);
    const COleVariant& operator=(BYTE nSrc);
    const COleVariant& operator=(short nSrc);
    const COleVariant& operator=(long lSrc);
    const COleVariant& operator=(float fltSrc);
    const COleVariant& operator=(double dblSrc);

    operator LPVARIANT() { return this; }
    operator LPCVARIANT() const { return this; }

    // Implementation
public:
    ~COleVariant();
};

/////////////////////////////////////////////////////////////////////////////
// COleSafeArray - a VARIANT holding a SAFEARRAY (vt = type | VT_ARRAY)

class KIVOMFC_API COleSafeArray : public tagVARIANT
{
public:
    // Constructors
    COleSafeArray();
    COleSafeArray(const COleSafeArray& saSrc);
    COleSafeArray(const VARIANT& varSrc);
    COleSafeArray(LPCVARIANT pSrc);

    // Operations
    void Clear();
    void Attach(VARIANT& varSrc);   // varSrc must hold an array
    VARIANT Detach();

    COleSafeArray& operator=(const COleSafeArray& saSrc);
    COleSafeArray& operator=(const VARIANT& varSrc);
    COleSafeArray& operator=(LPCVARIANT pSrc);

    operator LPVARIANT() { return this; }
    operator LPCVARIANT() const { return this; }

    // One-dimensional helpers
    void CreateOneDim(VARTYPE vtSrc, DWORD dwElements, const void* pvSrcData = nullptr, long nLBound = 0);
    DWORD GetOneDimSize();
    void ResizeOneDim(DWORD dwElements);

    // SAFEARRAY wrappers (dimensions count from 1)
    void Create(VARTYPE vtSrc, DWORD dwDims, DWORD* rgElements);
    void Create(VARTYPE vtSrc, DWORD dwDims, SAFEARRAYBOUND* rgsabounds);
    void AccessData(void** ppvData);
    void UnaccessData();
    void GetLBound(DWORD dwDim, long* pLBound);
    void GetUBound(DWORD dwDim, long* pUBound);
    void GetElement(long* rgIndices, void* pvData);
    void PutElement(long* rgIndices, void* pvData);
    void Redim(SAFEARRAYBOUND* psaboundNew);
    void Lock();
    void Unlock();
    DWORD GetDim();
    DWORD GetElemSize();
    void Destroy();

    // Implementation
public:
    ~COleSafeArray();

    DWORD m_dwElementSize;
    DWORD m_dwDims;
};

#endif   // __AFXDISP_H__
