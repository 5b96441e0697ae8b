// KivoGdiplusScope.h: the owner of one GDI+ initialisation. The worker object
// holds one for its lifetime (its stored frames outlive every live picture
// thread) and each run of the live picture thread holds its own.
#pragma once

#include <windows.h>

class CKIVOGdiplusScope
{
public:
    // GDI+ version 1, no debug callback, with its background thread.
    CKIVOGdiplusScope();
    ~CKIVOGdiplusScope();
    CKIVOGdiplusScope(const CKIVOGdiplusScope&) = delete;
    CKIVOGdiplusScope& operator=(const CKIVOGdiplusScope&) = delete;

    bool IsStarted() const { return m_bStarted; }

private:
    ULONG_PTR m_token;
    bool m_bStarted;
};
