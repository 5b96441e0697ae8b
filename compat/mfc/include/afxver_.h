// afxver_.h - linkage and calling-convention macros shared by all MFC headers.
#pragma once
#ifndef __AFXVER__H__
#define __AFXVER__H__

// MFC's headers set the Windows headers up for MFC, so they come first.
#ifdef _WINDOWS_
#error "WINDOWS.H already included. MFC apps must not #include <windows.h>"
#endif

#define AFX_CLASS_EXPORT __declspec(dllexport)
#define AFX_API_EXPORT __declspec(dllexport)
#define AFX_DATA_EXPORT __declspec(dllexport)
#define AFX_CLASS_IMPORT __declspec(dllimport)
#define AFX_API_IMPORT __declspec(dllimport)
#define AFX_DATA_IMPORT __declspec(dllimport)

// An extension library builds with _AFXEXT and exports; its clients import.
#ifdef _AFXEXT
#define AFX_EXT_CLASS AFX_CLASS_EXPORT
#define AFX_EXT_API AFX_API_EXPORT
#define AFX_EXT_DATA AFX_DATA_EXPORT
#else
#define AFX_EXT_CLASS AFX_CLASS_IMPORT
#define AFX_EXT_API AFX_API_IMPORT
#define AFX_EXT_DATA AFX_DATA_IMPORT
#endif
#define AFX_EXT_DATADEF

// Linkage of the MFC library itself (KivoMfc.dll).
#ifdef KIVOMFC_BUILD
#define KIVOMFC_API __declspec(dllexport)
#else
#define KIVOMFC_API __declspec(dllimport)
#endif

#ifndef PASCAL
#define PASCAL __stdcall
#endif
#define AFXAPI __stdcall
#define AFX_CDECL __cdecl
#define AFX_INLINE inline

#endif   // __AFXVER__H__
