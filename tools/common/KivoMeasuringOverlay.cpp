// KivoMeasuringOverlay.cpp: the overlay our measuring programs draw.
#include "KivoMeasuringOverlay.h"

void DrawKivoMeasuringOverlay(CDC* pDC, const CRect& rect, LPCTSTR pszCaption)
{
    CPen pen(PS_SOLID, 1, RGB(255, 255, 0));
    CPen* pOldPen = pDC->SelectObject(&pen);
    for (int x = rect.left + 32; x < rect.right; x += 64)
    {
        pDC->MoveTo(x, rect.top);
        pDC->LineTo(x, rect.bottom);
    }
    for (int y = rect.top + 32; y < rect.bottom; y += 64)
    {
        pDC->MoveTo(rect.left, y);
        pDC->LineTo(rect.right, y);
    }
    pDC->SelectObject(pOldPen);
    pDC->FillSolidRect(rect.left + rect.Width() / 3, rect.top + rect.Height() / 3, rect.Width() / 6, rect.Height() / 8,
                       RGB(0, 200, 0));
    pDC->SetBkMode(TRANSPARENT);
    pDC->SetTextColor(RGB(255, 255, 255));
    pDC->TextOut(rect.left + 8, rect.top + 8, CString(pszCaption));
}
