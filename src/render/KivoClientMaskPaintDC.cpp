// KivoClientMaskPaintDC.cpp: the overlay device.
#include "stdafx.h"
#include <KivoClientMaskPaintDC.h>

CKIVOClientMaskPaintDC::CKIVOClientMaskPaintDC() {}

CKIVOClientMaskPaintDC::~CKIVOClientMaskPaintDC() {}

CKIVOClientMaskPaintDC::operator CKIVOClientMaskPaintDC*()
{
    return this;
}

CKIVOClientMaskPaintDC* CKIVOClientMaskPaintDC::operator->()
{
    return this;
}
