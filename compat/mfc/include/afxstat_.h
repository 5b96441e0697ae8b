// afxstat_.h - module state. One state serves the whole process here, so
// switching states at exported entry points has nothing to do.
#pragma once
#ifndef __AFXSTATE_H__
#define __AFXSTATE_H__

#ifndef __AFX_H__
#include <afx.h>
#endif

class AFX_MODULE_STATE;

KIVOMFC_API AFX_MODULE_STATE* AFXAPI AfxGetStaticModuleState();

#define AFX_MANAGE_STATE(p) ((void)(p))

#endif   // __AFXSTATE_H__
