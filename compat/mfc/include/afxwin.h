// afxwin.h - MFC's Windows-specific part: geometry types, module state,
// extension libraries, GDI objects and device contexts.
#pragma once
#ifndef __AFXWIN_H__
#define __AFXWIN_H__

#ifndef __AFX_H__
#include <afx.h>
#endif
#include <atltypes.h>
#include <afxstat_.h>
#ifdef _AFXDLL
#include <afxdll_.h>
#endif

class CDC;

/////////////////////////////////////////////////////////////////////////////
// Start-up of a program without a CWinApp (a console program, or one with a
// WinMain of its own): called once, before anything else of MFC is used.

KIVOMFC_API BOOL AFXAPI AfxWinInit(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPTSTR lpCmdLine, int nCmdShow);

/////////////////////////////////////////////////////////////////////////////
// Handle maps
//
// An object that holds a handle (Attach or one of the Create functions) is
// what FromHandle returns for that handle on the thread that attached it. For
// any other handle FromHandle, and the selection functions of CDC, return a
// temporary object belonging to the calling thread: always the same one for
// the same handle, a plain CGdiObject for any GDI object (CPen::FromHandle and
// the others cast it) and a CDC for a DC, never deleting the handle it wraps.
// Temporaries are deleted by DeleteTempMap, by the last AfxUnlockTempMaps
// (which MFC's idle-time handler calls: the thread goes idle) and when the
// thread ends; those whose handle has been deleted may go earlier. Keep no
// temporary pointer beyond the thread's next idle time.

// Nested lock on the calling thread's temporaries; the last unlock deletes
// them when bDeleteTemps is set. AfxUnlockTempMaps returns TRUE while locked.
KIVOMFC_API void AFXAPI AfxLockTempMaps();
KIVOMFC_API BOOL AFXAPI AfxUnlockTempMaps(BOOL bDeleteTemps = TRUE);

/////////////////////////////////////////////////////////////////////////////
// CGdiObject - base of the GDI object wrappers

class KIVOMFC_API CGdiObject : public CObject
{
    DECLARE_DYNCREATE(CGdiObject)

public:
    // Attributes
    HGDIOBJ m_hObject;   // must be the first data member
    operator HGDIOBJ() const { return m_hObject; }
    HGDIOBJ GetSafeHandle() const { return m_hObject; }

    static CGdiObject* PASCAL FromHandle(HGDIOBJ hObject);
    static void PASCAL DeleteTempMap();
    BOOL Attach(HGDIOBJ hObject);
    HGDIOBJ Detach();

    // Constructors
    CGdiObject();
    BOOL DeleteObject();   // deletes the attached handle

    // Operations
    int GetObject(int nCount, LPVOID lpObject) const;
    UINT GetObjectType() const;
    BOOL CreateStockObject(int nIndex);
    BOOL UnrealizeObject();
    BOOL operator==(const CGdiObject& obj) const { return obj.m_hObject == m_hObject; }
    BOOL operator!=(const CGdiObject& obj) const { return obj.m_hObject != m_hObject; }

    // Implementation
public:
    virtual ~CGdiObject();   // deletes the attached handle
};

// The constructors taking drawing parameters throw CResourceException* when
// the object cannot be created.

class KIVOMFC_API CPen : public CGdiObject
{
    DECLARE_DYNAMIC(CPen)

public:
    static CPen* PASCAL FromHandle(HPEN hPen);

    // Constructors
    CPen();
    CPen(int nPenStyle, int nWidth, COLORREF crColor);
    BOOL CreatePen(int nPenStyle, int nWidth, COLORREF crColor);

    // Attributes
    operator HPEN() const { return static_cast<HPEN>(m_hObject); }

    // Implementation
public:
    virtual ~CPen();
};

class KIVOMFC_API CBrush : public CGdiObject
{
    DECLARE_DYNAMIC(CBrush)

public:
    static CBrush* PASCAL FromHandle(HBRUSH hBrush);

    // Constructors
    CBrush();
    explicit CBrush(COLORREF crColor);
    BOOL CreateSolidBrush(COLORREF crColor);

    // Attributes
    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }

    // Implementation
public:
    virtual ~CBrush();
};

class KIVOMFC_API CFont : public CGdiObject
{
    DECLARE_DYNAMIC(CFont)

public:
    static CFont* PASCAL FromHandle(HFONT hFont);

    // Constructors
    CFont();
    BOOL CreateFontIndirect(const LOGFONT* lpLogFont);
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight, BYTE bItalic,
                    BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet, BYTE nOutPrecision, BYTE nClipPrecision,
                    BYTE nQuality, BYTE nPitchAndFamily, LPCTSTR lpszFacename);
    // nPointSize in tenths of a point, converted to logical units of pDC (of
    // the screen when NULL).
    BOOL CreatePointFont(int nPointSize, LPCTSTR lpszFaceName, CDC* pDC = nullptr);

    // Attributes
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }
    int GetLogFont(LOGFONT* pLogFont);

    // Implementation
public:
    virtual ~CFont();
};

class KIVOMFC_API CBitmap : public CGdiObject
{
    DECLARE_DYNAMIC(CBitmap)

public:
    static CBitmap* PASCAL FromHandle(HBITMAP hBitmap);

    // Constructors
    CBitmap();
    BOOL CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits);
    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);

    // Attributes
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }
    int GetBitmap(BITMAP* pBitMap);
    CSize GetBitmapDimension() const;

    // Implementation
public:
    virtual ~CBitmap();
};

class KIVOMFC_API CRgn : public CGdiObject
{
    DECLARE_DYNAMIC(CRgn)

public:
    static CRgn* PASCAL FromHandle(HRGN hRgn);

    // Constructors
    CRgn();
    BOOL CreateRectRgn(int x1, int y1, int x2, int y2);

    // Attributes
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }

    // Implementation
public:
    virtual ~CRgn();
};

/////////////////////////////////////////////////////////////////////////////
// CDC - a device context
//
// Output goes to m_hDC; queries read m_hAttribDC; settings that change the
// mapping or the drawing attributes go to both. Both are the same handle
// unless a derived class separates them (SetOutputDC, SetAttribDC).
//
// Virtual functions, in the order their slots are laid out: the four DC
// setters and releasers, SaveDC and RestoreDC, SelectStockObject and
// SelectObject(CFont*), SetBkColor and SetTextColor, SetMapMode and the
// viewport and window setters (SetViewportOrg, OffsetViewportOrg,
// SetViewportExt, ScaleViewportExt, SetWindowExt, ScaleWindowExt), the
// clipping queries (GetClipBox, PtVisible, RectVisible), the text functions
// (TextOut, ExtTextOut, TabbedTextOut, DrawText, DrawTextEx, GrayString) and
// Escape. That is MFC's choice of virtual members, following the order of
// its documented groups of CDC members (initialisation, device context,
// selection, drawing attributes, mapping, clipping, text, printer escapes).
// The other overloads of these names are not virtual and call the virtual
// ones, so an override sees every call.

class KIVOMFC_API CDC : public CObject
{
    DECLARE_DYNCREATE(CDC)

public:
    // Attributes
    HDC m_hDC;         // output DC (must be the first data member)
    HDC m_hAttribDC;   // attribute DC
    operator HDC() const { return m_hDC; }
    HDC GetSafeHdc() const { return m_hDC; }

    static CDC* PASCAL FromHandle(HDC hDC);
    static void PASCAL DeleteTempMap();
    BOOL Attach(HDC hDC);   // sets both handles
    HDC Detach();           // returns the output DC, clears both

    virtual void SetAttribDC(HDC hDC);
    virtual void SetOutputDC(HDC hDC);
    virtual void ReleaseAttribDC();
    virtual void ReleaseOutputDC();

    BOOL IsPrinting() const { return m_bPrinting; }

    // Constructors
    CDC();
    BOOL CreateCompatibleDC(CDC* pDC);   // NULL: compatible with the screen
    BOOL DeleteDC();

    // Device-context functions
    virtual int SaveDC();
    virtual BOOL RestoreDC(int nSavedDC);
    int GetDeviceCaps(int nIndex) const;

    // Type-safe selection helpers: each returns the object it replaced
    virtual CGdiObject* SelectStockObject(int nIndex);
    CPen* SelectObject(CPen* pPen);
    CBrush* SelectObject(CBrush* pBrush);
    virtual CFont* SelectObject(CFont* pFont);
    CBitmap* SelectObject(CBitmap* pBitmap);
    int SelectObject(CRgn* pRgn);   // as SelectClipRgn: the region type
    CGdiObject* SelectObject(CGdiObject* pObject);

    // Drawing-attribute functions
    COLORREF GetBkColor() const;
    int GetBkMode() const;
    COLORREF GetTextColor() const;
    virtual COLORREF SetBkColor(COLORREF crColor);
    int SetBkMode(int nBkMode);
    virtual COLORREF SetTextColor(COLORREF crColor);

    // Mapping functions
    int GetMapMode() const;
    CPoint GetViewportOrg() const;
    virtual int SetMapMode(int nMapMode);
    virtual CPoint SetViewportOrg(int x, int y);
    CPoint SetViewportOrg(POINT point);
    virtual CPoint OffsetViewportOrg(int nWidth, int nHeight);
    virtual CSize SetViewportExt(int cx, int cy);
    CSize SetViewportExt(SIZE size);
    virtual CSize ScaleViewportExt(int xNum, int xDenom, int yNum, int yDenom);
    CPoint GetWindowOrg() const;
    CPoint SetWindowOrg(int x, int y);
    CPoint SetWindowOrg(POINT point);
    CPoint OffsetWindowOrg(int nWidth, int nHeight);
    virtual CSize SetWindowExt(int cx, int cy);
    CSize SetWindowExt(SIZE size);
    virtual CSize ScaleWindowExt(int xNum, int xDenom, int yNum, int yDenom);

    // Coordinate functions
    void DPtoLP(LPPOINT lpPoints, int nCount = 1) const;
    void DPtoLP(LPRECT lpRect) const;
    void LPtoDP(LPPOINT lpPoints, int nCount = 1) const;
    void LPtoDP(LPRECT lpRect) const;

    // Clipping functions
    virtual int GetClipBox(LPRECT lpRect) const;
    virtual BOOL PtVisible(int x, int y) const;
    BOOL PtVisible(POINT point) const;
    virtual BOOL RectVisible(LPCRECT lpRect) const;
    int IntersectClipRect(int x1, int y1, int x2, int y2);
    int IntersectClipRect(LPCRECT lpRect);

    // Line-output functions
    CPoint MoveTo(int x, int y);
    CPoint MoveTo(POINT point);
    BOOL LineTo(int x, int y);
    BOOL LineTo(POINT point);
    BOOL Polyline(const POINT* lpPoints, int nCount);

    // Simple drawing functions
    void FillRect(LPCRECT lpRect, CBrush* pBrush);
    void FrameRect(LPCRECT lpRect, CBrush* pBrush);
    // Fill with ExtTextOut(ETO_OPAQUE): they leave clr as the background colour.
    void FillSolidRect(LPCRECT lpRect, COLORREF clr);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);

    // Ellipse and polygon functions
    BOOL Ellipse(int x1, int y1, int x2, int y2);
    BOOL Ellipse(LPCRECT lpRect);
    BOOL Rectangle(int x1, int y1, int x2, int y2);
    BOOL Rectangle(LPCRECT lpRect);

    // Bitmap functions
    BOOL PatBlt(int x, int y, int nWidth, int nHeight, DWORD dwRop);
    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD dwRop);
    BOOL StretchBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, int nSrcWidth,
                    int nSrcHeight, DWORD dwRop);
    COLORREF GetPixel(int x, int y) const;
    COLORREF GetPixel(POINT point) const;
    COLORREF SetPixel(int x, int y, COLORREF crColor);
    COLORREF SetPixel(POINT point, COLORREF crColor);

    // Text functions
    virtual BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount);
    BOOL TextOut(int x, int y, const CString& str);
    virtual BOOL ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, LPCTSTR lpszString, UINT nCount,
                            LPINT lpDxWidths);
    virtual CSize TabbedTextOut(int x, int y, LPCTSTR lpszString, int nCount, int nTabPositions,
                                LPINT lpnTabStopPositions, int nTabOrigin);
    virtual int DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat);
    int DrawText(const CString& str, LPRECT lpRect, UINT nFormat);
    virtual int DrawTextEx(LPTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat, LPDRAWTEXTPARAMS lpDTParams);
    CSize GetTextExtent(LPCTSTR lpszString, int nCount) const;
    CSize GetTextExtent(const CString& str) const;
    virtual BOOL GrayString(CBrush* pBrush, BOOL(CALLBACK* lpfnOutput)(HDC, LPARAM, int), LPARAM lpData, int nCount,
                            int x, int y, int nWidth, int nHeight);
    UINT SetTextAlign(UINT nFlags);
    BOOL GetTextMetrics(LPTEXTMETRIC lpMetrics) const;

    // Printer escape functions
    virtual int Escape(int nEscape, int nCount, LPCSTR lpszInData, LPVOID lpOutData);

    // Implementation
public:
    virtual ~CDC();   // deletes the DC it holds

    BOOL m_bPrinting;                        // FALSE unless a printing DC sets it
    HGDIOBJ SelectObject(HGDIOBJ hObject);   // not for regions
};

#endif   // __AFXWIN_H__
