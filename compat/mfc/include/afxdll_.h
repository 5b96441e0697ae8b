// afxdll_.h - start-up and shut-down of MFC extension libraries.
#pragma once
#ifndef __AFXDLL_H__
#define __AFXDLL_H__

#ifndef __AFX_H__
#include <afx.h>
#endif

struct AFX_EXTENSION_MODULE
{
    BOOL bInitialized;
    HMODULE hModule;
    HMODULE hResource;
};

// One per extension library, on a process-wide list that resource look-ups
// walk; created with new in DllMain and deleted by AfxTermExtensionModule.
class KIVOMFC_API CDynLinkLibrary : public CObject
{
    DECLARE_DYNAMIC(CDynLinkLibrary)

public:
    CDynLinkLibrary(AFX_EXTENSION_MODULE& state, BOOL bSystem = FALSE);

    // Attributes
    HMODULE m_hModule;
    HMODULE m_hResource;
    BOOL m_bSystem;

    // Implementation
public:
    CDynLinkLibrary* m_pNextDLL;
    virtual ~CDynLinkLibrary();
};

KIVOMFC_API BOOL AFXAPI AfxInitExtensionModule(AFX_EXTENSION_MODULE& state, HMODULE hModule);
KIVOMFC_API void AFXAPI AfxTermExtensionModule(AFX_EXTENSION_MODULE& state, BOOL bAll = FALSE);

#endif   // __AFXDLL_H__
