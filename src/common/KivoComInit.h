// KivoComInit.h: the owner of one COM initialisation of the calling thread.
#pragma once

#include <objbase.h>

// Initialises COM for a scope and balances it on every way out. A thread that
// already lives in an apartment of the other kind keeps it (RPC_E_CHANGED_MODE
// made no initialisation, so none is balanced); one of the same kind answers
// S_FALSE, which counts and is balanced like S_OK.
class CKIVOComInit
{
public:
    explicit CKIVOComInit(DWORD dwCoInit)
        : m_hr(CoInitializeEx(nullptr, dwCoInit))
    {
    }
    ~CKIVOComInit()
    {
        if (SUCCEEDED(m_hr))
            CoUninitialize();
    }
    CKIVOComInit(const CKIVOComInit&) = delete;
    CKIVOComInit& operator=(const CKIVOComInit&) = delete;

    // CoInitializeEx's answer.
    HRESULT GetResult() const { return m_hr; }

private:
    HRESULT m_hr;
};
