// Must not compile, as with Microsoft's MFC: the Windows headers came first.
#include <windows.h>
#include <afxwin.h>
