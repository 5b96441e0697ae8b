// KivoConnectionStream.h: the connection's stream, from which every thread that
// attaches takes a server pointer of its own.
//
// The stream always holds exactly one normally marshalled packet. A thread that
// attaches unmarshals it, which moves the packet's server references into the
// thread's new proxy, and at once writes a packet of that proxy back for the
// next thread. A packet refers to the server object itself, not to the
// apartment that wrote it, so it stays good after the writer detached or ended.
// Whoever drops the stream first spends the pending packet the same way and
// releases the proxy, which hands its references back to the server.
//
// Why not a table-strong packet released by CoReleaseMarshalData: on Windows
// that works, but Wine's CoReleaseMarshalData looks for a stub in a local
// apartment, finds none for a proxy's packet and releases nothing, so the
// server kept its reference until the process ended. Unmarshalling normal data
// and releasing the proxy is what normal packets are for on both platforms.
#pragma once

#include <KivoCamera.h>
#include "common/KivoComPtr.h"

class CKIVOConnectionStream
{
public:
    CKIVOConnectionStream() : m_pStream(NULL) {}
    // Takes over a stream that holds a pending packet (or none).
    explicit CKIVOConnectionStream(IStream* pStream) : m_pStream(pStream) {}
    // Spends the pending packet and releases the stream.
    ~CKIVOConnectionStream() { Reset(); }

    // A new stream with a packet of pCamera; nothing is held on failure.
    HRESULT Create(IKIVOCamera* pCamera);
    void Reset();
    // Hands the stream, with its pending packet, to the caller.
    IStream* Detach();

    // The calling thread's own pointer from the packet in pStream; the stream
    // then holds a packet of that pointer for the next thread.
    static HRESULT Take(IStream* pStream, CKIVOComPtr<IKIVOCamera>& camera);

private:
    CKIVOConnectionStream(const CKIVOConnectionStream&);
    CKIVOConnectionStream& operator=(const CKIVOConnectionStream&);

    IStream* m_pStream;
};
