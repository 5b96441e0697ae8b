// KivoThreadInterfaces.cpp: one server interface pointer per client thread.
//
// A thread's entry owns one reference per attach; the count that the thread's
// own proxy returns from Release is therefore its attach count.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoConnectionStream.h"

namespace
{
// A thread that the application made part of the multithreaded apartment keeps
// it: ThreadAttach's single-threaded initialisation failed there and left no
// initialisation of its own to balance.
bool IsMultithreadedApartment()
{
    APTTYPE eType;
    APTTYPEQUALIFIER eQualifier;
    return SUCCEEDED(CoGetApartmentType(&eType, &eQualifier)) && eType == APTTYPE_MTA;
}
}

void CKIVOClient::ThreadAttach()
{
    CSingleLock lock(&m_csConnection, TRUE);

    DWORD dwThreadId = GetCurrentThreadId();
    IKIVOCamera* pCamera = NULL;
    if (m_mapThreadInterfaces.Lookup(dwThreadId, pCamera))
    {
        pCamera->AddRef();
        return;
    }

    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);

    if (m_pMarshalStream == NULL)
        throw new CKIVOClientException(0, CEXC_NO_INTERFACE, _T("AtlUnmarshalPtr failed"));

    CKIVOComPtr<IKIVOCamera> pOwn;
    if (FAILED(CKIVOConnectionStream::Take(m_pMarshalStream, pOwn)))
        throw new CKIVOClientException(0, CEXC_NO_INTERFACE, _T("AtlUnmarshalPtr failed"));

    m_mapThreadInterfaces.SetAt(dwThreadId, pOwn.Get());
    pOwn.Detach();   // the entry owns the reference now
}

void CKIVOClient::ThreadDetach()
{
    CSingleLock lock(&m_csConnection, TRUE);

    DWORD dwThreadId = GetCurrentThreadId();
    IKIVOCamera* pCamera = NULL;
    if (!m_mapThreadInterfaces.Lookup(dwThreadId, pCamera))
        return;

    // The entry holds one reference per attach; this detach gives one back.
    CKIVOComPtr<IKIVOCamera> reference(pCamera);
    if (reference.Reset() != 0)
        return;
    m_mapThreadInterfaces.RemoveKey(dwThreadId);
    if (!IsMultithreadedApartment())
        CoUninitialize();
}

IKIVOCamera* CKIVOClient::GetICamera() const
{
    CSingleLock lock(&m_csConnection, TRUE);

    IKIVOCamera* pCamera = NULL;
    if (m_mapThreadInterfaces.Lookup(GetCurrentThreadId(), pCamera))
        return pCamera;
    throw new CKIVOClientException(0, CEXC_NO_INTERFACE, _T("No Interface for thread"));
}

IKIVOCamera3* CKIVOClient::GetICamera3() const
{
    CSingleLock lock(&m_csConnection, TRUE);

    IKIVOCamera* pCamera = GetICamera();
    IKIVOCamera3* pCamera3 = NULL;
    pCamera->QueryInterface(IID_IKIVOCamera3, reinterpret_cast<void**>(&pCamera3));
    return pCamera3;
}
