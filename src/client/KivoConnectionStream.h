// KivoConnectionStream.h: the connection's stream, from which every thread that
// attaches takes a server pointer of its own.
//
// The stream always holds exactly one normally marshalled packet. A thread that
// attaches unmarshals it, which moves the packet's server references into the
// thread's new proxy, and at once writes a packet of that proxy back for the
// next thread. A packet refers to the server object itself, not to the
// apartment that wrote it, so it stays good after the writer detached or ended.
// When the stream is dropped (destruction, a second Connect) the pending packet
// is spent the same way and the proxy released, which hands its references
// back to the server.
//
// Why not one table-strong packet released by CoReleaseMarshalData: Windows
// releases it, but Wine's CoReleaseMarshalData looks for a stub in a local
// apartment, finds none for a proxy's packet and releases nothing, so the
// server kept a reference until the client process ended. Unmarshalling a
// normal packet and releasing the proxy is how a normal packet's references
// go back on both platforms.
#pragma once

#include <KivoCamera.h>
#include "KivoComPtr.h"

class CKIVOConnectionStream
{
public:
    CKIVOConnectionStream()
        : m_pStream(nullptr)
    {
    }
    // Takes over a stream that holds a pending packet (or none).
    explicit CKIVOConnectionStream(IStream* pStream)
        : m_pStream(pStream)
    {
    }
    // Spends the pending packet and releases the stream.
    ~CKIVOConnectionStream() { Reset(); }
    CKIVOConnectionStream(const CKIVOConnectionStream&) = delete;
    CKIVOConnectionStream& operator=(const CKIVOConnectionStream&) = delete;

    // A new stream with a packet of pCamera; nothing is held on failure.
    HRESULT Create(IKIVOCamera* pCamera);
    void Reset();
    // Hands the stream, with its pending packet, to the caller.
    IStream* Detach();

    // The calling thread's own pointer from the packet in pStream; the stream
    // then holds a packet of that pointer for the next thread.
    static HRESULT Take(IStream* pStream, CKIVOComPtr<IKIVOCamera>& camera);

private:
    IStream* m_pStream;
};
