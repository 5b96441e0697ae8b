// KivoClientExport.h: how the library's classes cross the DLL boundary, and
// the character set they are built for.
#pragma once

// Exported while KivoClient.dll is built, imported everywhere else. Not
// AFX_EXT_CLASS: an application that is itself an MFC extension library
// builds with _AFXEXT and would export our classes again.
#ifdef KIVOCLIENT_EXPORTS
#define KIVOCLIENT_CLASS __declspec(dllexport)
#else
#define KIVOCLIENT_CLASS __declspec(dllimport)
#endif

// The exported members take and return CString and LPCTSTR of the Unicode
// build; a multibyte application would fail only at link time.
#if !defined(_UNICODE) || !defined(UNICODE)
// clang-format off
#error "KivoClient needs a Unicode build: define UNICODE and _UNICODE (Visual Studio: Character Set = Use Unicode Character Set)"
// clang-format on
#endif
