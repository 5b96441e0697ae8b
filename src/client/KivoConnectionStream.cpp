// KivoConnectionStream.cpp: the one pending packet of the connection's stream.
#include "stdafx.h"
#include "KivoConnectionStream.h"
#include "KivoComInit.h"

namespace
{
void Rewind(IStream* pStream)
{
    LARGE_INTEGER liStart = {};
    pStream->Seek(liStart, STREAM_SEEK_SET, nullptr);
}

// Leaves the stream without a packet: a later unmarshal fails instead of
// reading references that were already spent.
void Empty(IStream* pStream)
{
    ULARGE_INTEGER uliEmpty = {};
    Rewind(pStream);
    pStream->SetSize(uliEmpty);
}

HRESULT WritePacket(IStream* pStream, IKIVOCamera* pCamera)
{
    Empty(pStream);
    HRESULT hr = CoMarshalInterface(pStream, IID_IKIVOCamera, pCamera, MSHCTX_INPROC, nullptr, MSHLFLAGS_NORMAL);
    if (FAILED(hr))
        Empty(pStream);
    return hr;
}
}

HRESULT CKIVOConnectionStream::Create(IKIVOCamera* pCamera)
{
    Reset();
    CKIVOComPtr<IStream> stream;
    HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, stream.ReceiveTyped());
    if (SUCCEEDED(hr))
        hr = WritePacket(stream.Get(), pCamera);
    if (SUCCEEDED(hr))
        m_pStream = stream.Detach();
    return hr;
}

void CKIVOConnectionStream::Reset()
{
    CKIVOComPtr<IStream> stream(m_pStream);
    m_pStream = nullptr;
    if (stream.IsNull())
        return;
    // Unmarshalling needs an apartment; a thread without one gets the
    // multithreaded apartment for as long as this takes. The proxy goes
    // before the apartment does.
    CKIVOComInit apartment(COINIT_MULTITHREADED);
    CKIVOComPtr<IKIVOCamera> camera;
    Rewind(stream.Get());
    CoUnmarshalInterface(stream.Get(), IID_IKIVOCamera, camera.Receive());
}

IStream* CKIVOConnectionStream::Detach()
{
    IStream* pStream = m_pStream;
    m_pStream = nullptr;
    return pStream;
}

HRESULT CKIVOConnectionStream::Take(IStream* pStream, CKIVOComPtr<IKIVOCamera>& camera)
{
    Rewind(pStream);
    HRESULT hr = CoUnmarshalInterface(pStream, IID_IKIVOCamera, camera.Receive());
    if (SUCCEEDED(hr) && camera.IsNull())
        hr = E_NOINTERFACE;
    if (FAILED(hr))
    {
        // A failure after the packet was read may or may not have spent its
        // references; rather no packet than a doubtful one.
        LARGE_INTEGER liHere = {};
        ULARGE_INTEGER uliPosition = {};
        if (SUCCEEDED(pStream->Seek(liHere, STREAM_SEEK_CUR, &uliPosition)) && uliPosition.QuadPart != 0)
            Empty(pStream);
        camera.Reset();
        return hr;
    }
    // The packet is spent; the next thread reads one of this thread's proxy. When
    // that cannot be written the stream stays empty and later attaches fail.
    WritePacket(pStream, camera.Get());
    return S_OK;
}
