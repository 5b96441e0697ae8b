// The class object of the camera. It lives as long as the server and does not
// count towards its lifetime: only connections and LockServer do.
#pragma once

#include <windows.h>
#include <unknwn.h>

class CSimClassFactory final : public IClassFactory
{
public:
    CSimClassFactory() = default;
    CSimClassFactory(const CSimClassFactory&) = delete;
    CSimClassFactory& operator=(const CSimClassFactory&) = delete;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    STDMETHODIMP CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL bLock) override;
};
