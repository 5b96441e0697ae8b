// KivoMeasuringOverlay.h: the overlay our measuring programs draw over the
// live picture, as an acquisition program draws one.
#pragma once

#include <afxwin.h>

// A grid every 64 pixels, a marked box and a caption, over what the device
// already holds (the caller fills the key colour first).
void DrawKivoMeasuringOverlay(CDC* pDC, const CRect& rect, LPCTSTR pszCaption);
