// Handle maps: which C++ object stands for a GDI object or a device-context
// handle on the calling thread. Part of the library's implementation, not of
// its interface.
#pragma once

#include <afxwin.h>

enum AFX_HANDLE_KIND
{
    afxHandleGdiObject,   // HGDIOBJ -> CGdiObject and derived classes
    afxHandleDC,          // HDC -> CDC
    afxHandleKindCount
};

// Records pObject as the holder of hHandle on the calling thread.
void AfxSetPermanentHandle(AFX_HANDLE_KIND nKind, HANDLE hHandle, CObject* pObject);
// Forgets pObject as the holder of hHandle, on whichever thread recorded it.
void AfxRemovePermanentHandle(AFX_HANDLE_KIND nKind, HANDLE hHandle, CObject* pObject);
// The holder of hHandle on the calling thread, else the thread's temporary
// object for it (created when missing). NULL for a NULL handle.
CObject* AfxMapHandle(AFX_HANDLE_KIND nKind, HANDLE hHandle);
// Deletes the calling thread's temporary objects of one kind.
void AfxDeleteTempHandles(AFX_HANDLE_KIND nKind);

// Called by DllMain: frees the maps of the ending thread, or of every thread
// when the library is unloaded.
void AfxTermThreadHandleMaps();
void AfxTermProcessHandleMaps();
BOOL AfxInitProcessHandleMaps();

// For tests: the number of live temporary objects of the calling thread, or
// of all threads when bAllThreads is set.
KIVOMFC_API LONG AFXAPI AfxGetTempObjectCount(BOOL bAllThreads);
