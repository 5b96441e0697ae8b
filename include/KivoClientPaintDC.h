// KivoClientPaintDC.h: the library's off-screen paint device. A memory DC with
// a bitmap of its own, bound for a while to a target DC and a rectangle, drawn
// into with ordinary CDC calls and then copied in one piece. It carries a lock
// that its users take around their calls, and a flag that tells whether
// anything was drawn since the last blit.
#pragma once

#include <afxwin.h>

#include <KivoClientExport.h>

class KIVOCLIENT_CLASS CKIVOClientPaintDC : public CDC
{
public:
    CKIVOClientPaintDC();
    ~CKIVOClientPaintDC() override;
    CKIVOClientPaintDC(const CKIVOClientPaintDC&) = delete;
    CKIVOClientPaintDC& operator=(const CKIVOClientPaintDC&) = delete;

    // CDC output, forwarded to the device's own DC
    BOOL PtVisible(int x, int y) const override;
    BOOL RectVisible(LPCRECT lpRect) const override;
    BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount) override;
    BOOL ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, LPCTSTR lpszString, UINT nCount,
                    LPINT lpDxWidths) override;
    CSize TabbedTextOut(int x, int y, LPCTSTR lpszString, int nCount, int nTabPositions, LPINT lpnTabStopPositions,
                        int nTabOrigin) override;
    int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat) override;
    int DrawTextEx(LPTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat, LPDRAWTEXTPARAMS lpDTParams) override;
    BOOL GrayString(CBrush* pBrush, BOOL(CALLBACK* lpfnOutput)(HDC, LPARAM, int), LPARAM lpData, int nCount, int x,
                    int y, int nWidth, int nHeight) override;
    int Escape(int nEscape, int nCount, LPCSTR lpszInData, LPVOID lpOutData) override;
    using CDC::TextOut;
    using CDC::DrawText;

    // The device's own operations
    virtual BOOL Lock(int bWait);
    virtual void UnLock();
    virtual BOOL Assign(CDC* pDC, CRect& rect);
    virtual void UnAssign();
    virtual BOOL IsAssigned() const;
    virtual BOOL IsBitmapAccessible() const;
    virtual HBITMAP GetHBITMAP() const;
    virtual BOOL CanBlit(int bCheckFlag);
    virtual BOOL BlitToHBITMAP(CDC* pDC, HBITMAP hBitmap);
    virtual BOOL BlitToCDC(CDC* pDC);
    virtual void ResetBlitFlag();

    operator CKIVOClientPaintDC*();
    CKIVOClientPaintDC* operator->();

protected:
    CBitmap m_bitmap;
    CGdiObject* m_pOldBitmap;
    CRect m_rect;
    BOOL m_bBlit;
    CRITICAL_SECTION m_cs;
    CDC m_dcTarget;
};
