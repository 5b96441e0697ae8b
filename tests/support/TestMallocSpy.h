// TestMallocSpy.h: counts the COM task-memory blocks (BSTRs, SAFEARRAYs, the
// marshallers' buffers) allocated while it is registered and not yet freed.
#pragma once

#include <windows.h>
#include <objidl.h>
#include <oleauto.h>

class CTestMallocSpy : public IMallocSpy
{
public:
    // Registers the spy for the process; without the BSTR cache every free
    // reaches the allocator, so the cache cannot hide a leak.
    bool Register()
    {
        using PFNSETOANOCACHE = void(WINAPI*)();
        PFNSETOANOCACHE pfnSetOaNoCache =
            reinterpret_cast<PFNSETOANOCACHE>(::GetProcAddress(::GetModuleHandleW(L"oleaut32.dll"), "SetOaNoCache"));
        if (pfnSetOaNoCache != nullptr)
            pfnSetOaNoCache();
        m_bRegistered = ::CoRegisterMallocSpy(this) == S_OK;
        return m_bRegistered;
    }
    ~CTestMallocSpy()
    {
        if (m_bRegistered)
            ::CoRevokeMallocSpy();
    }

    // A spy for the rest of the process: COM refuses to revoke a spy while
    // blocks it saw are alive, as a cache of the marshaller's may keep some.
    static CTestMallocSpy& ForProcess()
    {
        static CTestMallocSpy* s_pSpy = nullptr;
        if (s_pSpy == nullptr)
        {
            s_pSpy = new CTestMallocSpy;
            s_pSpy->Register();
            s_pSpy->m_bRegistered = false;   // never revoked
        }
        return *s_pSpy;
    }
    LONG Living() const { return m_nLiving; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (riid == IID_IUnknown || riid == IID_IMallocSpy)
        {
            *ppv = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T cbRequest) override { return cbRequest; }
    STDMETHODIMP_(void*) PostAlloc(void* pActual) override
    {
        if (pActual != nullptr)
            InterlockedIncrement(&m_nLiving);
        return pActual;
    }
    STDMETHODIMP_(void*) PreFree(void* pRequest, BOOL fSpyed) override
    {
        if (pRequest != nullptr && fSpyed)
            InterlockedDecrement(&m_nLiving);
        return pRequest;
    }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* pRequest, SIZE_T cbRequest, void** ppNewRequest, BOOL fSpyed) override
    {
        if (pRequest != nullptr && fSpyed)
            InterlockedDecrement(&m_nLiving);
        *ppNewRequest = pRequest;
        return cbRequest;
    }
    STDMETHODIMP_(void*) PostRealloc(void* pActual, BOOL) override
    {
        if (pActual != nullptr)
            InterlockedIncrement(&m_nLiving);
        return pActual;
    }
    STDMETHODIMP_(void*) PreGetSize(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T cbActual, BOOL) override { return cbActual; }
    STDMETHODIMP_(void*) PreDidAlloc(void* pRequest, BOOL) override { return pRequest; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int fActual) override { return fActual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}

private:
    volatile LONG m_nLiving = 0;
    bool m_bRegistered = false;
};
