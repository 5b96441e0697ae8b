// KivoThreadInterfaces.cpp: one server interface pointer per client thread.
//
// A thread's entry owns one reference per attach; the client counts the
// attaches itself (CKIVOThreadAttachTable) and removes the entry at the last
// detach.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoConnectionStream.h"

void CKIVOClient::ThreadAttach()
{
    CSingleLock lock(&m_csConnection, TRUE);

    DWORD dwThreadId = GetCurrentThreadId();
    IKIVOCamera* pCamera = nullptr;
    if (m_mapThreadInterfaces.Lookup(dwThreadId, pCamera) && !m_ThreadAttaches.HasEnded(dwThreadId))
    {
        pCamera->AddRef();   // a nested attach of the thread that made the entry
        m_ThreadAttaches.AddAttach(dwThreadId);
        return;
    }

    // A thread that the application made part of the multithreaded apartment
    // keeps it: the initialisation fails there and leaves nothing to undo.
    const HRESULT hrInit = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    if (m_pMarshalStream == nullptr)
        throw new CKIVOClientException(0, CEXC_NO_INTERFACE, _T("AtlUnmarshalPtr failed"));

    DropEndedThreadEntries();
    CKIVOComPtr<IKIVOCamera> pOwn;
    if (FAILED(CKIVOConnectionStream::Take(m_pMarshalStream, pOwn)))
        throw new CKIVOClientException(0, CEXC_NO_INTERFACE, _T("AtlUnmarshalPtr failed"));

    m_ThreadAttaches.AddCallingThread(SUCCEEDED(hrInit));
    m_mapThreadInterfaces.SetAt(dwThreadId, pOwn.Get());
    pOwn.Detach();   // the entry owns the reference now
}

void CKIVOClient::ThreadDetach()
{
    CSingleLock lock(&m_csConnection, TRUE);

    DWORD dwThreadId = GetCurrentThreadId();
    IKIVOCamera* pCamera = nullptr;
    if (!m_mapThreadInterfaces.Lookup(dwThreadId, pCamera))
        return;

    // The entry holds one reference per attach; this detach gives one back,
    // before the apartment it was made in may end below.
    {
        CKIVOComPtr<IKIVOCamera> reference(pCamera);
    }
    if (m_ThreadAttaches.DropAttach(dwThreadId) > 0)
        return;
    m_mapThreadInterfaces.RemoveKey(dwThreadId);
    if (m_ThreadAttaches.Remove(dwThreadId))
        CoUninitialize();
}

void CKIVOClient::DropEndedThreadEntries()
{
    DWORD dwThreadId = 0;
    while (m_ThreadAttaches.RemoveEnded(&dwThreadId))
        m_mapThreadInterfaces.RemoveKey(dwThreadId);
}

IKIVOCamera* CKIVOClient::GetICamera() const
{
    CSingleLock lock(&m_csConnection, TRUE);

    IKIVOCamera* pCamera = nullptr;
    if (m_mapThreadInterfaces.Lookup(GetCurrentThreadId(), pCamera))
        return pCamera;
    throw new CKIVOClientException(0, CEXC_NO_INTERFACE, _T("No Interface for thread"));
}

IKIVOCamera3* CKIVOClient::GetICamera3() const
{
    CSingleLock lock(&m_csConnection, TRUE);

    IKIVOCamera* pCamera = GetICamera();
    CKIVOComPtr<IKIVOCamera3> pCamera3;
    Kivo::QueryInterfaceTo(pCamera, IID_IKIVOCamera3, pCamera3);
    return pCamera3.Detach();
}
