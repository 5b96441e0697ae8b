// CDemoOverlay.cpp: the demo's overlay.
#include "CDemoOverlay.h"

#include <algorithm>
#include <initializer_list>

namespace
{
// None of them is the key colour (magenta).
const COLORREF g_crOutline = RGB(0, 0, 0);
const COLORREF g_crCrosshair = RGB(0, 255, 64);
const COLORREF g_crScale = RGB(255, 255, 255);
const COLORREF g_crCaptionBox = RGB(16, 40, 96);
const COLORREF g_crCaptionText = RGB(255, 255, 255);

// Clear of the library's own text at the area's top-left corner (the frame
// rate at 10, 10 and its picture messages at 10, 50).
const int g_nInset = 12;

BOOL CreateAliasedFont(CFont& font, int nHeight, int nWeight)
{
    return font.CreateFont(-nHeight, 0, 0, 0, nWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                           DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

// Saves the DC's selections and settings and puts them back on every way out.
class CDCStateScope
{
public:
    explicit CDCStateScope(CDC& dc) : m_dc(dc), m_nSaved(dc.SaveDC()) {}
    ~CDCStateScope()
    {
        if (m_nSaved != 0)
            m_dc.RestoreDC(m_nSaved);
    }

private:
    CDCStateScope(const CDCStateScope&);
    CDCStateScope& operator=(const CDCStateScope&);

    CDC& m_dc;
    int m_nSaved;
};
}

CDemoOverlay::CDemoOverlay(COLORREF crKeyColor)
    : m_crKeyColor(crKeyColor)
{
    // A missing font or pen leaves the DC's own: the overlay is then plainer, not wrong.
    CreateAliasedFont(m_fontCaption, 14, FW_NORMAL);
    CreateAliasedFont(m_fontLabel, 12, FW_NORMAL);
    m_penOutline.CreatePen(PS_SOLID, 3, g_crOutline);
    m_penCrosshair.CreatePen(PS_SOLID, 1, g_crCrosshair);
    m_brushScale.CreateSolidBrush(g_crScale);
}

COLORREF CDemoOverlay::GetKeyColor() const
{
    return m_crKeyColor;
}

void CDemoOverlay::DrawMask(CDC& dc, const CRect& rcArea, CSize sizePicture, const CString& strCaption)
{
    // The device's bitmap holds whatever was drawn last: every pixel is set.
    dc.FillSolidRect(&rcArea, m_crKeyColor);
    DrawMarks(dc, rcArea, sizePicture, strCaption);
}

void CDemoOverlay::DrawMarks(CDC& dc, const CRect& rcArea, CSize sizePicture, const CString& strCaption)
{
    if (rcArea.IsRectEmpty())
        return;
    CDCStateScope state(dc);
    DrawCrosshair(dc, rcArea);
    DrawScaleBar(dc, rcArea, sizePicture);
    DrawCaption(dc, rcArea, strCaption);
}

void CDemoOverlay::DrawCrosshair(CDC& dc, const CRect& rcArea)
{
    const CPoint ptCentre = rcArea.CenterPoint();
    const int nArm = std::max(8, std::min(rcArea.Width(), rcArea.Height()) / 8);
    const int nGap = 5;
    const int nRadius = nArm / 2;

    // Each stroke twice: a black one three pixels wide, then the bright one
    // on top, so the mark stands out on white and on black alike.
    CPen* apPens[2] = { &m_penOutline, &m_penCrosshair };
    for (CPen* pPen : apPens)
    {
        dc.SelectObject(pPen);
        dc.SelectStockObject(NULL_BRUSH);
        dc.MoveTo(ptCentre.x - nArm, ptCentre.y);
        dc.LineTo(ptCentre.x - nGap, ptCentre.y);
        dc.MoveTo(ptCentre.x + nGap, ptCentre.y);
        dc.LineTo(ptCentre.x + nArm, ptCentre.y);
        dc.MoveTo(ptCentre.x, ptCentre.y - nArm);
        dc.LineTo(ptCentre.x, ptCentre.y - nGap);
        dc.MoveTo(ptCentre.x, ptCentre.y + nGap);
        dc.LineTo(ptCentre.x, ptCentre.y + nArm);
        dc.Ellipse(ptCentre.x - nRadius, ptCentre.y - nRadius, ptCentre.x + nRadius + 1,
                   ptCentre.y + nRadius + 1);
    }
    dc.SetPixel(ptCentre.x, ptCentre.y, g_crCrosshair);
}

int CDemoOverlay::ChooseScalePixels(int nAreaWidth, int nPictureWidth)
{
    if (nPictureWidth < 1 || nAreaWidth < 1)
        return 0;
    int nBest = 0;
    for (int nPower = 1; nPower <= 100000; nPower *= 10)
    {
        for (int nStep : { 1, 2, 5 })
        {
            const int nPixels = nStep * nPower;
            const int nLength = MulDiv(nPixels, nAreaWidth, nPictureWidth);
            if (nLength >= 1 && nLength <= nAreaWidth / 4)
                nBest = nPixels;
        }
    }
    return nBest;
}

void CDemoOverlay::DrawScaleBar(CDC& dc, const CRect& rcArea, CSize sizePicture)
{
    const int nPixels = ChooseScalePixels(rcArea.Width(), sizePicture.cx);
    if (nPixels == 0)
        return;
    const int nLength = MulDiv(nPixels, rcArea.Width(), sizePicture.cx);
    const CRect rcBar(rcArea.right - g_nInset - nLength, rcArea.bottom - g_nInset - 7, rcArea.right - g_nInset,
                      rcArea.bottom - g_nInset);

    // A white bar in a black frame, with end ticks.
    dc.FillSolidRect(rcBar.left - 1, rcBar.top - 5, rcBar.Width() + 2, rcBar.Height() + 6, g_crOutline);
    dc.FillSolidRect(rcBar.left, rcBar.top, rcBar.Width(), rcBar.Height() - 1, g_crScale);
    dc.FillSolidRect(rcBar.left, rcBar.top - 4, 2, 4, g_crScale);
    dc.FillSolidRect(rcBar.right - 2, rcBar.top - 4, 2, 4, g_crScale);

    CString strLabel;
    strLabel.Format(L"%d px", nPixels);
    dc.SelectObject(&m_fontLabel);
    const CSize sizeText = dc.GetTextExtent(strLabel);
    CRect rcLabel(rcBar.CenterPoint().x - sizeText.cx / 2 - 3, rcBar.top - 6 - sizeText.cy - 2,
                  rcBar.CenterPoint().x + (sizeText.cx + 1) / 2 + 3, rcBar.top - 6);
    dc.FillSolidRect(&rcLabel, g_crOutline);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(g_crScale);
    dc.DrawText(strLabel, &rcLabel, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void CDemoOverlay::DrawCaption(CDC& dc, const CRect& rcArea, const CString& strCaption)
{
    if (strCaption.IsEmpty())
        return;
    dc.SelectObject(&m_fontCaption);
    // The box keeps one width whatever the text: a caption repainted over an
    // older one covers it whole.
    CRect rcMeasure(0, 0, 0, 0);
    dc.DrawText(L"Camera initialised - colour 4096 x 4096", &rcMeasure, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    CRect rcText(0, 0, 0, 0);
    dc.DrawText(strCaption, &rcText, DT_CALCRECT | DT_NOPREFIX);
    const int nWidth = std::max(rcMeasure.Width(), rcText.Width()) + 12;
    const int nHeight = rcText.Height() + 8;
    const CRect rcBox(rcArea.left + g_nInset, rcArea.bottom - g_nInset - nHeight, rcArea.left + g_nInset + nWidth,
                      rcArea.bottom - g_nInset);

    dc.FillSolidRect(&rcBox, g_crCaptionText);   // a one-pixel white frame
    CRect rcInside(rcBox);
    rcInside.DeflateRect(1, 1);
    dc.FillSolidRect(&rcInside, g_crCaptionBox);
    CRect rcLines(rcBox);
    rcLines.DeflateRect(6, 4);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(g_crCaptionText);
    dc.DrawText(strCaption, &rcLines, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_NOCLIP);
}
