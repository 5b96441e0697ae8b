// afxwin.h - MFC's Windows-specific part: geometry types, module state,
// extension libraries. GDI wrappers belong below the includes.
#pragma once
#ifndef __AFXWIN_H__
#define __AFXWIN_H__

#ifndef __AFX_H__
#include <afx.h>
#endif
#include <atltypes.h>
#include <afxstat_.h>
#ifdef _AFXDLL
#include <afxdll_.h>
#endif

#endif // __AFXWIN_H__
