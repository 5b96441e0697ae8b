// Compiles: MFC's headers first, then any Windows header.
#include <afxwin.h>
#include <windows.h>
#include <gdiplus.h>
