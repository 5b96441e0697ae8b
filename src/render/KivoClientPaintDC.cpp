// KivoClientPaintDC.cpp: the off-screen paint device.
//
// The memory DC, the target DC of BlitToHBITMAP and the bitmap are made once
// and kept; the bitmap is replaced only when the rectangle's size changes, so
// assign/draw/blit cycles at a constant size create no GDI objects.
#include "stdafx.h"
#include <KivoClientPaintDC.h>

#include <new>

CKIVOClientPaintDC::CKIVOClientPaintDC()
    : m_pOldBitmap(nullptr)
    , m_rect(0, 0, 0, 0)
    , m_bBlit(FALSE)
{
    // Made with its wait event at once: on the systems where taking a section
    // can raise an exception for want of memory, a section made this way never
    // does (later systems never raise there at all). The only other exception
    // of the platform, a wait that times out as a possible deadlock, is left to
    // the platform as it asks; so Lock needs no exception handling, which this
    // compiler could not give for platform exceptions anyway.
    if (!InitializeCriticalSectionAndSpinCount(&m_cs, 0x80000000))
        AfxThrowMemoryException();
}

CKIVOClientPaintDC::~CKIVOClientPaintDC()
{
    DeleteCriticalSection(&m_cs);
    CKIVOClientPaintDC::UnAssign();
    // m_dcTarget, m_bitmap and the memory DC go with their owners.
}

BOOL CKIVOClientPaintDC::PtVisible(int x, int y) const
{
    return ::PtVisible(m_hDC, x, y);
}

BOOL CKIVOClientPaintDC::RectVisible(LPCRECT lpRect) const
{
    return ::RectVisible(m_hDC, lpRect);
}

BOOL CKIVOClientPaintDC::TextOut(int x, int y, LPCTSTR lpszString, int nCount)
{
    return ::TextOutW(m_hDC, x, y, lpszString, nCount);
}

BOOL CKIVOClientPaintDC::ExtTextOut(int x, int y, UINT nOptions, LPCRECT lpRect, LPCTSTR lpszString, UINT nCount,
                                    LPINT lpDxWidths)
{
    return ::ExtTextOutW(m_hDC, x, y, nOptions, lpRect, lpszString, nCount, lpDxWidths);
}

CSize CKIVOClientPaintDC::TabbedTextOut(int x, int y, LPCTSTR lpszString, int nCount, int nTabPositions,
                                        LPINT lpnTabStopPositions, int nTabOrigin)
{
    LONG nResult = ::TabbedTextOutW(m_hDC, x, y, lpszString, nCount, nTabPositions, lpnTabStopPositions, nTabOrigin);
    return CSize(static_cast<short>(LOWORD(nResult)), static_cast<short>(HIWORD(nResult)));
}

int CKIVOClientPaintDC::DrawText(LPCTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat)
{
    return ::DrawTextW(m_hDC, lpszString, nCount, lpRect, nFormat);
}

int CKIVOClientPaintDC::DrawTextEx(LPTSTR lpszString, int nCount, LPRECT lpRect, UINT nFormat,
                                   LPDRAWTEXTPARAMS lpDTParams)
{
    return ::DrawTextExW(m_hDC, lpszString, nCount, lpRect, nFormat, lpDTParams);
}

BOOL CKIVOClientPaintDC::GrayString(CBrush* pBrush, BOOL(CALLBACK* lpfnOutput)(HDC, LPARAM, int), LPARAM lpData,
                                    int nCount, int x, int y, int nWidth, int nHeight)
{
    HBRUSH hBrush = pBrush != nullptr ? static_cast<HBRUSH>(pBrush->GetSafeHandle()) : nullptr;
    return ::GrayStringW(m_hDC, hBrush, lpfnOutput, lpData, nCount, x, y, nWidth, nHeight);
}

int CKIVOClientPaintDC::Escape(int nEscape, int nCount, LPCSTR lpszInData, LPVOID lpOutData)
{
    return ::Escape(m_hDC, nEscape, nCount, lpszInData, lpOutData);
}

BOOL CKIVOClientPaintDC::Lock(int bWait)
{
    if (!bWait)
        return TryEnterCriticalSection(&m_cs) ? TRUE : FALSE;
    EnterCriticalSection(&m_cs);
    return TRUE;
}

void CKIVOClientPaintDC::UnLock()
{
    LeaveCriticalSection(&m_cs);
}

BOOL CKIVOClientPaintDC::Assign(CDC* pDC, CRect& rect)
{
    if (pDC == nullptr || pDC->IsPrinting())
        return FALSE;
    UnAssign();
    m_rect = rect;

    if (m_hDC == nullptr)
        CreateCompatibleDC(pDC);
    if (m_hDC == nullptr)
        return FALSE;

    const int nWidth = rect.right - rect.left;
    const int nHeight = rect.bottom - rect.top;
    bool bCreate = true;
    if (m_bitmap.GetSafeHandle() != nullptr)
    {
        BITMAP bm;
        memset(&bm, 0, sizeof(bm));
        if (m_bitmap.GetBitmap(&bm) != 0)
        {
            if (bm.bmWidth == nWidth && bm.bmHeight == nHeight)
                bCreate = false;
            else
                m_bitmap.DeleteObject();
        }
        else
        {
            m_bitmap.Detach();   // not a bitmap any more: let go without deleting
        }
    }
    if (bCreate)
        m_bitmap.CreateCompatibleBitmap(pDC, nWidth, nHeight);
    if (m_bitmap.GetSafeHandle() == nullptr)
        return FALSE;

    // CDC::SelectObject would answer with a temporary object for the DC's
    // original bitmap, which MFC deletes when the thread goes idle, and the
    // device stays assigned across the application's message loop (the
    // overlay device from GetMaskPaintDC to ReleaseMaskPaintDC). So the
    // original bitmap is kept in an object of the device's own.
    CGdiObject* pOldBitmap = new (std::nothrow) CGdiObject;
    if (pOldBitmap == nullptr)
        return FALSE;
    pOldBitmap->m_hObject = ::SelectObject(m_hDC, m_bitmap.GetSafeHandle());
    if (pOldBitmap->m_hObject == nullptr)
    {
        delete pOldBitmap;
        return FALSE;
    }
    m_pOldBitmap = pOldBitmap;
    SetWindowOrg(rect.left, rect.top);
    m_bBlit = TRUE;
    return TRUE;
}

void CKIVOClientPaintDC::UnAssign()
{
    if (m_pOldBitmap == nullptr)
        return;
    ::SelectObject(m_hDC, m_pOldBitmap->GetSafeHandle());
    // Held, never attached: the DC's original bitmap is not ours to delete.
    m_pOldBitmap->m_hObject = nullptr;
    delete m_pOldBitmap;
    m_pOldBitmap = nullptr;
}

BOOL CKIVOClientPaintDC::IsAssigned() const
{
    return m_pOldBitmap != nullptr;
}

BOOL CKIVOClientPaintDC::IsBitmapAccessible() const
{
    if (IsAssigned())
        return FALSE;
    return GetHBITMAP() != nullptr;
}

HBITMAP CKIVOClientPaintDC::GetHBITMAP() const
{
    return static_cast<HBITMAP>(m_bitmap.GetSafeHandle());
}

BOOL CKIVOClientPaintDC::CanBlit(int bCheckFlag)
{
    if (!IsBitmapAccessible())
        return FALSE;
    if (!bCheckFlag)
        return TRUE;
    return m_bBlit ? TRUE : FALSE;
}

// The device bitmap lands whole at the rectangle's corner of the target; the
// memory DC's window origin makes the rectangle's corner its first pixel.
BOOL CKIVOClientPaintDC::BlitToCDC(CDC* pDC)
{
    if (pDC == nullptr || IsAssigned())
        return FALSE;
    BITMAP bm;
    memset(&bm, 0, sizeof(bm));
    if (m_bitmap.GetSafeHandle() == nullptr || m_bitmap.GetBitmap(&bm) == 0)
        return FALSE;

    if (m_hDC == nullptr)
        CreateCompatibleDC(pDC);
    BOOL bResult = FALSE;
    if (m_hDC != nullptr)
    {
        HGDIOBJ hOld = ::SelectObject(m_hDC, m_bitmap.GetSafeHandle());
        bResult = ::BitBlt(pDC->GetSafeHdc(), m_rect.left, m_rect.top, bm.bmWidth, bm.bmHeight, m_hDC, m_rect.left,
                           m_rect.top, SRCCOPY)
                      ? TRUE
                      : FALSE;
        ::SelectObject(m_hDC, hOld);
    }
    m_bBlit = FALSE;
    return bResult;
}

// Copies from the device bitmap's own top-left pixel into the caller's bitmap.
BOOL CKIVOClientPaintDC::BlitToHBITMAP(CDC* pDC, HBITMAP hBitmap)
{
    BITMAP bm;
    memset(&bm, 0, sizeof(bm));
    if (hBitmap == nullptr || ::GetObjectW(hBitmap, sizeof(bm), &bm) == 0)
        return FALSE;
    if (IsAssigned())
        return FALSE;

    CDC* pReference = pDC != nullptr ? pDC : this;
    if (m_hDC == nullptr)
        CreateCompatibleDC(pReference);
    if (m_dcTarget.GetSafeHdc() == nullptr)
        m_dcTarget.CreateCompatibleDC(pReference);

    BOOL bResult = FALSE;
    if (m_hDC != nullptr && m_dcTarget.GetSafeHdc() != nullptr)
    {
        CBitmap bmpCaller;
        if (bmpCaller.Attach(hBitmap))
        {
            HGDIOBJ hOldTarget = ::SelectObject(m_dcTarget.GetSafeHdc(), bmpCaller.GetSafeHandle());
            HGDIOBJ hOldSource = ::SelectObject(m_hDC, m_bitmap.GetSafeHandle());
            bResult = ::BitBlt(m_dcTarget.GetSafeHdc(), 0, 0, bm.bmWidth, bm.bmHeight, m_hDC, m_rect.left, m_rect.top,
                               SRCCOPY)
                          ? TRUE
                          : FALSE;
            ::SelectObject(m_hDC, hOldSource);
            ::SelectObject(m_dcTarget.GetSafeHdc(), hOldTarget);
            bmpCaller.Detach();   // the caller's bitmap is never deleted here
        }
    }
    m_bBlit = FALSE;
    return bResult;
}

void CKIVOClientPaintDC::ResetBlitFlag()
{
    m_bBlit = FALSE;
}

CKIVOClientPaintDC::operator CKIVOClientPaintDC*()
{
    return this;
}

CKIVOClientPaintDC* CKIVOClientPaintDC::operator->()
{
    return this;
}
