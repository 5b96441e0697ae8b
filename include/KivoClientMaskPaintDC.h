// KivoClientMaskPaintDC.h: the overlay device that the application draws its
// mask into (GetMaskPaintDC / ReleaseMaskPaintDC). Pixels of the key colour
// (property LIVECOLOR) stay transparent over the live picture.
#pragma once

#include <KivoClientPaintDC.h>

class AFX_EXT_CLASS CKIVOClientMaskPaintDC : public CKIVOClientPaintDC
{
public:
    CKIVOClientMaskPaintDC();
    virtual ~CKIVOClientMaskPaintDC();

    operator CKIVOClientMaskPaintDC*();
    CKIVOClientMaskPaintDC* operator->();
};
