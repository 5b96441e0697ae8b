// KivoPaintDCLock.h: a paint device's lock (Lock/UnLock) held for a scope and
// given back on every way out, also when an exception leaves the scope.
#pragma once

#include <KivoClientPaintDC.h>

class CKIVOPaintDCLock
{
public:
    // Takes the lock, waiting while another thread holds it.
    explicit CKIVOPaintDCLock(CKIVOClientPaintDC& device) : m_pDevice(&device)
    {
        if (!device.Lock(TRUE))
            m_pDevice = NULL;
    }
    ~CKIVOPaintDCLock()
    {
        if (m_pDevice != NULL)
            m_pDevice->UnLock();
    }

    bool IsLocked() const { return m_pDevice != NULL; }
    // The lock stays taken beyond the scope (a device handed out locked).
    void Keep() { m_pDevice = NULL; }

private:
    CKIVOPaintDCLock(const CKIVOPaintDCLock&);
    CKIVOPaintDCLock& operator=(const CKIVOPaintDCLock&);

    CKIVOClientPaintDC* m_pDevice;
};
