#include "SimClassFactory.h"

#include "SimCamera.h"
#include "SimServer.h"

STDMETHODIMP CSimClassFactory::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IClassFactory)
    {
        *ppv = static_cast<IClassFactory*>(this);
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CSimClassFactory::AddRef()
{
    return 2;
}

STDMETHODIMP_(ULONG) CSimClassFactory::Release()
{
    return 1;
}

STDMETHODIMP CSimClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr)
        return CLASS_E_NOAGGREGATION;
    CSimServer* pServer = CSimServer::GetInstance();
    if (pServer == nullptr)
        return CO_E_SERVER_STOPPING;
    return CSimCamera::Create(*pServer, riid, ppv);
}

STDMETHODIMP CSimClassFactory::LockServer(BOOL bLock)
{
    CSimServer* pServer = CSimServer::GetInstance();
    if (pServer == nullptr)
        return CO_E_SERVER_STOPPING;
    pServer->LockServer(bLock != FALSE);
    return S_OK;
}
