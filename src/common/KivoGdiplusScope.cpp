// KivoGdiplusScope.cpp: GDI+ started for the life of an object.
#include "stdafx.h"
#include "KivoGdiplus.h"

CKIVOGdiplusScope::CKIVOGdiplusScope()
    : m_token(0)
    , m_bStarted(false)
{
    Gdiplus::GdiplusStartupInput input;   // version 1, no callback, FALSE, FALSE
    m_bStarted = Gdiplus::GdiplusStartup(&m_token, &input, nullptr) == Gdiplus::Ok;
}

CKIVOGdiplusScope::~CKIVOGdiplusScope()
{
    if (m_bStarted)
        Gdiplus::GdiplusShutdown(m_token);
}
