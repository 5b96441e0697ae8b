// KivoClient.cpp: the client object and its connection to the camera server.
#include "stdafx.h"
#include <KivoClient.h>
#include "../live/KivoConfiguration.h"

namespace
{
// The client draws the live picture itself on Windows 6 and later, or where
// the registry allows it on older systems; decided once per client.
CKIVOClient* ChooseLiveOwner(CKIVOClient* pClient)
{
    if (IsWindowsVistaOrLater() || QueryWaitForImageXP())
        return pClient;
    return NULL;
}
}

CKIVOClient::CKIVOClient()
    : m_Thread(ChooseLiveOwner(this))
    , m_eInterface(EINTERFACE_DEFAULT)
    , m_mapThreadInterfaces(10)
    , m_pMarshalStream(NULL)
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

    if (m_pMarshalStream != NULL)
    {
        LARGE_INTEGER liStart = {};
        m_pMarshalStream->Seek(liStart, STREAM_SEEK_SET, NULL);
        CoReleaseMarshalData(m_pMarshalStream);
        m_pMarshalStream->Release();
        m_pMarshalStream = NULL;
    }
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

    IKIVOCamera* pCamera = NULL;
    HRESULT hr = CoCreateInstance(CLSID_KIVOCamera, NULL, CLSCTX_LOCAL_SERVER, IID_IKIVOCamera,
                                  reinterpret_cast<void**>(&pCamera));
    if (FAILED(hr) || pCamera == NULL)
        throw new CKIVOClientException(0, CEXC_NO_INTERFACE, _T("Connect"));

    // Connecting again replaces the stream; the old one is not leaked.
    if (m_pMarshalStream != NULL)
        m_pMarshalStream->Release();
    m_pMarshalStream = NULL;

    IKIVOCamera2* pCamera2 = NULL;
    if (pCamera->QueryInterface(IID_IKIVOCamera2, reinterpret_cast<void**>(&pCamera2)) == S_OK
        && pCamera2 != NULL)
    {
        pCamera2->RegisterClientProcess(GetCurrentProcessId());
        pCamera2->Release();
    }

    // Every thread that ever attaches unmarshals from this one stream. A normal
    // marshal packet carries only a handful of references and serves that many
    // unmarshals; a table-strong packet serves them all until it is released.
    hr = CreateStreamOnHGlobal(NULL, TRUE, &m_pMarshalStream);
    if (SUCCEEDED(hr))
    {
        hr = CoMarshalInterface(m_pMarshalStream, IID_IKIVOCamera, pCamera, MSHCTX_INPROC, NULL,
                                MSHLFLAGS_TABLESTRONG);
        if (FAILED(hr))
            m_pMarshalStream->Release();
    }
    if (FAILED(hr))
    {
        // Without a stream no other thread could reach the server: stay unconnected.
        m_pMarshalStream = NULL;
        pCamera->Release();
        return;
    }

    DWORD dwThreadId = GetCurrentThreadId();
    IKIVOCamera* pPrevious = NULL;
    if (m_mapThreadInterfaces.Lookup(dwThreadId, pPrevious) && pPrevious != NULL)
        pPrevious->Release();
    m_mapThreadInterfaces.SetAt(dwThreadId, pCamera);
}

void CKIVOClient::Disconnect()
{
    CSingleLock lock(&m_csConnection, TRUE);

    DWORD dwThreadId = GetCurrentThreadId();
    IKIVOCamera* pCamera = NULL;
    if (!m_mapThreadInterfaces.Lookup(dwThreadId, pCamera))
        return;
    if (pCamera != NULL)
        pCamera->Release();
    m_mapThreadInterfaces.RemoveKey(dwThreadId);
}

int CKIVOClient::IsConnected() const
{
    return m_pMarshalStream != NULL ? 1 : 0;
}
