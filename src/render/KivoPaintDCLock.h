// KivoPaintDCLock.h: a paint device's lock (Lock/UnLock) held for a scope and
// given back on every way out, also when an exception leaves the scope.
#pragma once

#include <KivoClientPaintDC.h>

class CKIVOPaintDCLock
{
public:
    // Takes the lock, waiting while another thread holds it.
    explicit CKIVOPaintDCLock(CKIVOClientPaintDC& device)
        : m_pDevice(&device)
    {
        if (!device.Lock(TRUE))
            m_pDevice = nullptr;
    }
    ~CKIVOPaintDCLock()
    {
        if (m_pDevice != nullptr)
            m_pDevice->UnLock();
    }
    CKIVOPaintDCLock(const CKIVOPaintDCLock&) = delete;
    CKIVOPaintDCLock& operator=(const CKIVOPaintDCLock&) = delete;

    bool IsLocked() const { return m_pDevice != nullptr; }
    // The lock stays taken beyond the scope (a device handed out locked).
    void Keep() { m_pDevice = nullptr; }

private:
    CKIVOClientPaintDC* m_pDevice;
};
