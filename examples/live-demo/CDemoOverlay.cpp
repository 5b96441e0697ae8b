// CDemoOverlay.cpp: the demo's overlay.
#include "CDemoOverlay.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

namespace
{
// None of them is the key colour (magenta).
const COLORREF g_crOutline = RGB(0, 0, 0);
const COLORREF g_crCrosshair = RGB(0, 255, 64);
const COLORREF g_crScale = RGB(255, 255, 255);
const COLORREF g_crCaptionBox = RGB(16, 40, 96);
const COLORREF g_crCaptionText = RGB(255, 255, 255);

// The marks keep this far from the area's edges: clear of the library's own
// text at the top-left corner (the frame rate at 10, 10 and its picture
// messages at 10, 50).
const int g_nInset = 12;
// Between the caption box's frame and its text.
const int g_nCaptionPadX = 6;
const int g_nCaptionPadY = 4;

// Tahoma is on every Windows; under Wine it is Wine's own (Debian's fonts-wine,
// which cmake/wine-env.sh puts into the prefix): the same text takes the same
// room on every machine.
BOOL CreateAliasedFont(CFont& font, int nHeight, int nWeight)
{
    return font.CreateFont(-nHeight, 0, 0, 0, nWeight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

std::vector<CString> SplitLines(const CString& str)
{
    std::vector<CString> vecLines;
    int nStart = 0;
    for (int nBreak = str.Find(L'\n'); nBreak >= 0; nBreak = str.Find(L'\n', nStart))
    {
        vecLines.push_back(str.Mid(nStart, nBreak - nStart));
        nStart = nBreak + 1;
    }
    vecLines.push_back(str.Mid(nStart));
    return vecLines;
}

// Saves the DC's selections and settings and puts them back on every way out.
class CDCStateScope
{
public:
    CDCStateScope(const CDCStateScope&) = delete;
    CDCStateScope& operator=(const CDCStateScope&) = delete;
    explicit CDCStateScope(CDC& dc)
        : m_dc(dc)
        , m_nSaved(dc.SaveDC())
    {
    }
    ~CDCStateScope()
    {
        if (m_nSaved != 0)
            m_dc.RestoreDC(m_nSaved);
    }

private:
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
    // The caption and the scale bar are laid out to fit or left out; the clip
    // region holds what is not laid out to the pixel (the crosshair's arms in
    // a small area, a glyph's overhang).
    dc.IntersectClipRect(&rcArea);
    DrawCrosshair(dc, rcArea);
    const CRect rcCaption = DrawCaption(dc, rcArea, strCaption);
    DrawScaleBar(dc, rcArea, sizePicture, rcCaption);
}

CFont* CDemoOverlay::GetCaptionFont()
{
    return &m_fontCaption;
}

void CDemoOverlay::DrawCrosshair(CDC& dc, const CRect& rcArea)
{
    const CPoint ptCentre = rcArea.CenterPoint();
    const int nArm = (std::max)(8, (std::min)(rcArea.Width(), rcArea.Height()) / 8);
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
        dc.Ellipse(ptCentre.x - nRadius, ptCentre.y - nRadius, ptCentre.x + nRadius + 1, ptCentre.y + nRadius + 1);
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

void CDemoOverlay::DrawScaleBar(CDC& dc, const CRect& rcArea, CSize sizePicture, const CRect& rcCaption)
{
    const int nPixels = ChooseScalePixels(rcArea.Width(), sizePicture.cx);
    if (nPixels == 0)
        return;
    const int nLength = MulDiv(nPixels, rcArea.Width(), sizePicture.cx);
    CString strLabel;
    strLabel.Format(L"%d px", nPixels);
    dc.SelectObject(&m_fontLabel);
    const CSize sizeText = dc.GetTextExtent(strLabel);

    // Bar and label as one block, both centred in it: from the top the label
    // box, a gap of one pixel, then the bar's black frame with the end ticks
    // (5 rows), the bar (7) and the frame's last row.
    const int nLabelWidth = sizeText.cx + 6;
    const int nLabelHeight = sizeText.cy + 2;
    const int nBarHeight = 7;
    CRect rcBlock(0, 0, (std::max)(nLength + 2, nLabelWidth), nLabelHeight + 1 + 5 + nBarHeight + 1);
    CRect rcRoom(rcArea);
    rcRoom.DeflateRect(g_nInset, g_nInset);
    rcBlock.OffsetRect(rcRoom.right - rcBlock.right, rcRoom.bottom - rcBlock.bottom);
    // Beside the caption when there is room, else above it.
    if (!rcCaption.IsRectEmpty() && rcBlock.left < rcCaption.right + g_nInset)
        rcBlock.OffsetRect(0, rcCaption.top - g_nInset - rcBlock.bottom);
    // A bar without its label, or half a bar, would tell nothing.
    if (rcBlock.left < rcRoom.left || rcBlock.top < rcRoom.top)
        return;

    const int nCentre = rcBlock.CenterPoint().x;
    const CRect rcBar(nCentre - nLength / 2, rcBlock.bottom - 1 - nBarHeight, nCentre - nLength / 2 + nLength,
                      rcBlock.bottom - 1);
    // A white bar in a black frame, with end ticks.
    dc.FillSolidRect(rcBar.left - 1, rcBar.top - 5, rcBar.Width() + 2, rcBar.Height() + 6, g_crOutline);
    dc.FillSolidRect(rcBar.left, rcBar.top, rcBar.Width(), rcBar.Height() - 1, g_crScale);
    dc.FillSolidRect(rcBar.left, rcBar.top - 4, 2, 4, g_crScale);
    dc.FillSolidRect(rcBar.right - 2, rcBar.top - 4, 2, 4, g_crScale);

    CRect rcLabel(nCentre - nLabelWidth / 2, rcBlock.top, nCentre - nLabelWidth / 2 + nLabelWidth,
                  rcBlock.top + nLabelHeight);
    dc.FillSolidRect(&rcLabel, g_crOutline);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(g_crScale);
    dc.DrawText(strLabel, &rcLabel, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

CRect CDemoOverlay::CalculateCaptionBox(CDC& dc, const CRect& rcArea, const CString& strCaption)
{
    if (strCaption.IsEmpty() || rcArea.IsRectEmpty())
        return CRect(0, 0, 0, 0);
    CDCStateScope state(dc);
    dc.SelectObject(&m_fontCaption);
    TEXTMETRIC tm = {};
    dc.GetTextMetrics(&tm);
    // The box keeps one width whatever the text: a caption repainted over an
    // older one covers it whole.
    int nTextWidth = dc.GetTextExtent(L"Camera initialised - colour 4096 x 4096").cx;
    const std::vector<CString> vecLines = SplitLines(strCaption);
    for (const CString& strLine : vecLines)
        nTextWidth = (std::max)(nTextWidth, static_cast<int>(dc.GetTextExtent(strLine).cx));

    CRect rcRoom(rcArea);
    rcRoom.DeflateRect(g_nInset, g_nInset);
    const int nWidth = (std::min)(nTextWidth + 2 * g_nCaptionPadX, static_cast<int>(rcRoom.Width()));
    // At most a quarter of the area's height, as the scale bar takes at most
    // a quarter of its width: the picture stays the larger part.
    const int nLineHeight = (std::max)(1, static_cast<int>(tm.tmHeight));
    const int nHeightAllowed = (std::min)(static_cast<int>(rcRoom.Height()), rcArea.Height() / 4);
    const int nLines =
        (std::min)(static_cast<int>(vecLines.size()), (nHeightAllowed - 2 * g_nCaptionPadY) / nLineHeight);
    // Shortened lines end in "...": a few characters must fit with it.
    if (nLines < 1 || nWidth - 2 * g_nCaptionPadX < 4 * tm.tmAveCharWidth)
        return CRect(0, 0, 0, 0);
    return CRect(rcRoom.left, rcRoom.bottom - nLines * nLineHeight - 2 * g_nCaptionPadY, rcRoom.left + nWidth,
                 rcRoom.bottom);
}

CRect CDemoOverlay::DrawCaption(CDC& dc, const CRect& rcArea, const CString& strCaption)
{
    const CRect rcBox = CalculateCaptionBox(dc, rcArea, strCaption);
    if (rcBox.IsRectEmpty())
        return rcBox;
    dc.SelectObject(&m_fontCaption);
    TEXTMETRIC tm = {};
    dc.GetTextMetrics(&tm);

    dc.FillSolidRect(&rcBox, g_crCaptionText);   // a one-pixel white frame
    CRect rcInside(rcBox);
    rcInside.DeflateRect(1, 1);
    dc.FillSolidRect(&rcInside, g_crCaptionBox);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(g_crCaptionText);
    // Wine draws a line's glyphs up to a few pixels wider than GetTextExtent
    // measures it: the lines may ink into the padding, and the box's inside,
    // not each line's rectangle, clips them.
    CDCStateScope textState(dc);
    dc.IntersectClipRect(&rcInside);
    // Line by line, each shortened with "..." where it is too long for the
    // box; the lines below the box's last are left out.
    CRect rcLine(rcBox.left + g_nCaptionPadX, rcBox.top + g_nCaptionPadY, rcBox.right - g_nCaptionPadX,
                 rcBox.top + g_nCaptionPadY + tm.tmHeight);
    for (const CString& strLine : SplitLines(strCaption))
    {
        if (rcLine.bottom > rcBox.bottom - g_nCaptionPadY)
            break;
        dc.DrawText(strLine, &rcLine, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | DT_NOCLIP);
        rcLine.OffsetRect(0, tm.tmHeight);
    }
    return rcBox;
}
