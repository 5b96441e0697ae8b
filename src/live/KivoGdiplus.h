// KivoGdiplus.h: GDI+ for the library's sources, and the record that keeps
// one GDI+ initialisation alive.
#pragma once

#include <windows.h>
#include <gdiplus.h>

struct CKIVOGdiplusRecord
{
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;   // version 1, no callback, background thread
};

// Starts GDI+ for the life of the object; shuts it down on every way out.
class CKIVOGdiplusScope
{
public:
    CKIVOGdiplusScope() { m_bStarted = Gdiplus::GdiplusStartup(&m_record.token, &m_record.input, NULL) == Gdiplus::Ok; }
    ~CKIVOGdiplusScope() { if (m_bStarted) Gdiplus::GdiplusShutdown(m_record.token); }

private:
    CKIVOGdiplusScope(const CKIVOGdiplusScope&);
    CKIVOGdiplusScope& operator=(const CKIVOGdiplusScope&);

    CKIVOGdiplusRecord m_record;
    bool m_bStarted;
};
