// KivoClientMaskPaintDC.h: the overlay device that the application draws its
// mask into (GetMaskPaintDC / ReleaseMaskPaintDC). Pixels of the key colour
// (property LIVECOLOR) stay transparent over the live picture.
#pragma once

#include <KivoClientPaintDC.h>

class KIVOCLIENT_CLASS CKIVOClientMaskPaintDC : public CKIVOClientPaintDC
{
public:
    CKIVOClientMaskPaintDC();
    ~CKIVOClientMaskPaintDC() override;

    operator CKIVOClientMaskPaintDC*();
    CKIVOClientMaskPaintDC* operator->();
};
