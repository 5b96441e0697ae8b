// afxext.h - MFC extensions: builds on afxwin.h.
#pragma once
#ifndef __AFXEXT_H__
#define __AFXEXT_H__

#ifndef __AFXWIN_H__
#include <afxwin.h>
#endif

#endif   // __AFXEXT_H__
