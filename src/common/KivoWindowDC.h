// KivoWindowDC.h: a window's DC for the length of a scope, attached to a CDC;
// released on every way out, also when an exception leaves the scope.
#pragma once

#include <afxwin.h>

class CKIVOWindowDC
{
public:
    explicit CKIVOWindowDC(HWND hWnd)
        : m_hWnd(hWnd)
        , m_hDC(::GetDC(hWnd))
    {
        if (m_hDC != nullptr)
            m_dc.Attach(m_hDC);
    }
    ~CKIVOWindowDC()
    {
        if (m_hDC == nullptr)
            return;
        m_dc.Detach();
        ::ReleaseDC(m_hWnd, m_hDC);
    }
    CKIVOWindowDC(const CKIVOWindowDC&) = delete;
    CKIVOWindowDC& operator=(const CKIVOWindowDC&) = delete;

    // The window's DC, or NULL when the window gave none.
    CDC* Get() { return m_hDC != nullptr ? &m_dc : nullptr; }
    // The same DC for the bare GDI calls.
    HDC GetHdc() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
    CDC m_dc;
};
