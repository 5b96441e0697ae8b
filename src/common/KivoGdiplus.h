// KivoGdiplus.h: GDI+ for the library's sources, with the owner of a GDI+
// initialisation.
#pragma once

#include <windows.h>
#include <gdiplus.h>

#include "KivoGdiplusScope.h"
