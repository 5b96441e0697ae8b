// CDemoOverlay.h: what the demo draws over the live picture: a crosshair at
// the picture centre, a scale bar in camera pixels and a caption.
#pragma once

#include <afxwin.h>

// Everything is drawn with GDI's aliased primitives and fonts: an overlay
// pixel is either the key colour or opaque, never a blend of both, which would
// show as a coloured fringe over the picture.
class CDemoOverlay
{
public:
    explicit CDemoOverlay(COLORREF crKeyColor);

    COLORREF GetKeyColor() const;

    // The whole overlay into the library's overlay device: the area in the
    // key colour, the marks on it. rcArea is in the live window's client
    // coordinates, as the device is.
    void DrawMask(CDC& dc, const CRect& rcArea, CSize sizePicture, const CString& strCaption);

    // The marks alone, straight over a picture already in dc. Nothing is
    // drawn outside rcArea, whatever its size and the font: what does not
    // fit is shortened or left out.
    void DrawMarks(CDC& dc, const CRect& rcArea, CSize sizePicture, const CString& strCaption);

    // The scale bar's length in camera pixels: the longest of 1, 2 or 5 times
    // a power of ten that takes at most a quarter of the area's width; 0
    // without sizes.
    static int ChooseScalePixels(int nAreaWidth, int nPictureWidth);

    // Where the caption's box goes in the area's bottom-left corner: as wide
    // as its widest line, narrower if the area is, and as many lines high as
    // fit in a quarter of the area's height; empty when not one line or not a
    // few characters fit.
    CRect CalculateCaptionBox(CDC& dc, const CRect& rcArea, const CString& strCaption);

    CFont* GetCaptionFont();

private:
    void DrawCrosshair(CDC& dc, const CRect& rcArea);
    void DrawScaleBar(CDC& dc, const CRect& rcArea, CSize sizePicture, const CRect& rcCaption);
    CRect DrawCaption(CDC& dc, const CRect& rcArea, const CString& strCaption);

    COLORREF m_crKeyColor;
    CFont m_fontCaption;
    CFont m_fontLabel;
    CPen m_penOutline;   // black, under the bright lines
    CPen m_penCrosshair;
    CBrush m_brushScale;
};
