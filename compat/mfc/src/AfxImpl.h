// Helpers shared by the sources of the MFC library; not part of its interface.
#pragma once

#include <afxwin.h>
#include "resource.h"

// The module that holds the library's own resources.
HINSTANCE AfxGetLibraryInstance();

// The first module holding string nID: the application, the extension
// libraries (ordinary ones before system ones), then the library itself.
// NULL when none has it.
HINSTANCE AfxFindStringResourceHandle(UINT nID);

// The characters of string nID in hInstance (not terminated) and their count;
// NULL when the module has no such string.
LPCWSTR AfxGetStringResource(HINSTANCE hInstance, UINT nID, int* pnLength);
