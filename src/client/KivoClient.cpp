// KivoClient.cpp: the client object and its connection to the camera server.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoConnectionStream.h"

namespace
{
bool IsMultithreadedApartment()
{
    APTTYPE eType;
    APTTYPEQUALIFIER eQualifier;
    return SUCCEEDED(CoGetApartmentType(&eType, &eQualifier)) && eType == APTTYPE_MTA;
}

// Gives back the references that a thread's entry held, one per attach: each
// owner takes over one and releases it as it goes.
void ReleaseReferences(IKIVOCamera* pCamera, LONG nReferences)
{
    for (LONG i = 0; pCamera != nullptr && i < nReferences; ++i)
        CKIVOComPtr<IKIVOCamera> reference(pCamera);
}

// The client draws the live picture itself on Windows 6 and later, or where
// the registry allows it on older systems; decided once per client.
CKIVOClient* ChooseLiveOwner(CKIVOClient* pClient)
{
    if (CKIVOClientThread::IsClientDrawingAllowed())
        return pClient;
    return nullptr;
}
}

CKIVOClient::CKIVOClient()
    : m_Thread(ChooseLiveOwner(this))
    , m_eInterface(EINTERFACE_DEFAULT)
    , m_mapThreadInterfaces(10)
    , m_pMarshalStream(nullptr)
    , m_bOrdered(0)
    , m_bMaskPaintDCInUse(0)
    , m_bPollLivePictures(0)
{
}

CKIVOClient::~CKIVOClient()
{
    // A live picture thread still running uses the lock and the table below:
    // it ends before they go.
    m_Thread.StopThread(FALSE);

    // The packet still in the stream gives its server references back.
    CKIVOConnectionStream stream(m_pMarshalStream);
    m_pMarshalStream = nullptr;
    // Entries still in the table belong to threads that never detached; their
    // pointers are valid only on those threads and are dropped without Release.
}

void CKIVOClient::Connect()
{
    Connect(EINTERFACE_DEFAULT);
}

void CKIVOClient::Connect(EInterface eInterface)
{
    m_eInterface = eInterface;

    CSingleLock lock(&m_csConnection, TRUE);

    CKIVOComPtr<IKIVOCamera> pCamera;
    HRESULT hr = CoCreateInstance(CLSID_KIVOCamera, nullptr, CLSCTX_LOCAL_SERVER, IID_IKIVOCamera, pCamera.Receive());
    if (FAILED(hr) || pCamera.IsNull())
        throw new CKIVOClientException(0, CEXC_NO_INTERFACE, _T("Connect"));

    // A new connection starts unordered: an order of an earlier connection
    // ended with it, or with its server.
    m_bOrdered = 0;
    {
        // Connecting again replaces the stream; its packet is given back.
        CKIVOConnectionStream previous(m_pMarshalStream);
        m_pMarshalStream = nullptr;
    }

    CKIVOComPtr<IKIVOCamera2> pCamera2;
    if (Kivo::QueryInterfaceTo(pCamera.Get(), IID_IKIVOCamera2, pCamera2) == S_OK && !pCamera2.IsNull())
        pCamera2->RegisterClientProcess(GetCurrentProcessId());

    // Without a stream no other thread could reach the server: stay unconnected.
    CKIVOConnectionStream stream;
    if (FAILED(stream.Create(pCamera.Get())))
        return;

    DropEndedThreadEntries();
    DWORD dwThreadId = GetCurrentThreadId();
    IKIVOCamera* pPrevious = nullptr;
    LONG nPreviousAttaches = 0;
    if (m_mapThreadInterfaces.Lookup(dwThreadId, pPrevious))
        nPreviousAttaches = m_ThreadAttaches.GetAttachCount(dwThreadId);
    // The connecting thread's COM is the application's; its entry's last
    // ThreadDetach undoes it all the same, except in the multithreaded
    // apartment, where the application keeps its own.
    m_ThreadAttaches.AddCallingThread(!IsMultithreadedApartment());
    m_mapThreadInterfaces.SetAt(dwThreadId, pCamera.Get());
    pCamera.Detach();   // the entry owns the reference now
    ReleaseReferences(pPrevious, nPreviousAttaches);
    m_pMarshalStream = stream.Detach();
}

void CKIVOClient::Disconnect()
{
    CSingleLock lock(&m_csConnection, TRUE);

    DWORD dwThreadId = GetCurrentThreadId();
    IKIVOCamera* pCamera = nullptr;
    if (!m_mapThreadInterfaces.Lookup(dwThreadId, pCamera))
        return;
    const LONG nAttaches = m_ThreadAttaches.GetAttachCount(dwThreadId);
    m_mapThreadInterfaces.RemoveKey(dwThreadId);
    m_ThreadAttaches.Remove(dwThreadId);
    ReleaseReferences(pCamera, nAttaches);   // the entry's references go with it
}

int CKIVOClient::IsConnected() const
{
    return m_pMarshalStream != nullptr ? 1 : 0;
}
