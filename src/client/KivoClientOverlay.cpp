// KivoClientOverlay.cpp: the facade's overlay part: how the client hands the
// overlay device to the application and takes it back.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoPaintDCLock.h"

// Hands the overlay device out locked and assigned; the application draws and
// then gives it back with ReleaseMaskPaintDC, before it stops the live picture.
CKIVOClientMaskPaintDC* CKIVOClient::GetMaskPaintDC(CDC* pDC, CRect& rect)
{
    if (pDC == nullptr || m_bMaskPaintDCInUse)
        return nullptr;
    if (!m_Thread.IsThreadRunning())
        return nullptr;
    CKIVOClientMaskPaintDC& device = m_Thread.GetMaskPaintDevice();
    CKIVOPaintDCLock lock(device);
    if (!lock.IsLocked() || !device.Assign(pDC, rect))
        return nullptr;
    lock.Keep();   // held by the application until ReleaseMaskPaintDC
    m_bMaskPaintDCInUse = TRUE;
    return &device;
}

BOOL CKIVOClient::ReleaseMaskPaintDC()
{
    if (!m_bMaskPaintDCInUse)
        return FALSE;
    // Only the thread that holds the device gives it back (its recursive lock
    // is free to that thread alone); the flag is cleared while the lock is
    // still held, so that a thread that finds it set and takes the lock is
    // the holder.
    CKIVOClientMaskPaintDC& device = m_Thread.GetMaskPaintDevice();
    if (!device.Lock(FALSE))
        return FALSE;
    device.UnAssign();
    m_bMaskPaintDCInUse = FALSE;
    device.UnLock();
    device.UnLock();
    return TRUE;
}
