// stdafx.h: the platform headers every source of the library uses.
#pragma once

#include <afxwin.h>
#include <afxmt.h>
#include <afxtempl.h>
#include <afxdisp.h>
