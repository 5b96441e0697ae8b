// One connection to the simulated camera: the object each CoCreateInstance
// makes. It carries what belongs to one client (the camera order, the pace
// of its live pictures) and forwards everything else to the shared camera.
#pragma once

#include "SimCameraState.h"
#include "SimLock.h"

#include "KivoCamera.h"

class CSimServer;

class CSimCamera final : public IKIVOCamera3
{
public:
    CSimCamera(const CSimCamera&) = delete;
    CSimCamera& operator=(const CSimCamera&) = delete;
    // A new connection with the interface riid; fails with
    // CO_E_SERVER_STOPPING once the server is ending.
    static HRESULT Create(CSimServer& server, REFIID riid, void** ppv);

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IDispatch, through the type information of IKIVOCamera3
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override;
    STDMETHODIMP GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // IKIVOCamera
    STDMETHODIMP GetServerState(tagEServerState* peState) override;
    STDMETHODIMP Open() override;
    STDMETHODIMP Close() override;
    STDMETHODIMP Init() override;
    STDMETHODIMP Start() override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP GetPropName(tagEMVP eProp, BSTR* pbstrName) override;
    STDMETHODIMP SetPropValue(tagEMVP eProp, BSTR bstrValue) override;
    STDMETHODIMP GetPropValue(tagEMVP eProp, BSTR* pbstrValue) override;
    STDMETHODIMP GetError(LONG* plError) override;
    STDMETHODIMP ClearError() override;
    STDMETHODIMP GetErrorText(BSTR* pbstrText) override;
    STDMETHODIMP SetPropVariant(tagEMVP eProp, VARIANT vValue) override;
    STDMETHODIMP GetPropVariant(tagEMVP eProp, VARIANT* pvValue) override;
    STDMETHODIMP SetSearchTab(SAFEARRAY* psaTable) override;
    STDMETHODIMP GetSearchTab(SAFEARRAY** ppsaTable) override;
    STDMETHODIMP SetMeasureTab(SAFEARRAY* psaTable) override;
    STDMETHODIMP GetMeasureTab(SAFEARRAY** ppsaTable) override;
    STDMETHODIMP Update() override;
    STDMETHODIMP AllocPicture(LONG nPicture) override;
    STDMETHODIMP GetPicture(LONG nPicture, SAFEARRAY** ppsaPicture) override;
    STDMETHODIMP OrderCamera(VARIANT* pvOrdered) override;
    STDMETHODIMP ReleaseCamera(LONG* plResult) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP GetRGBPicture(SAFEARRAY** ppsaPicture) override;

    // IKIVOCamera2
    STDMETHODIMP OpenForProcess(ULONG dwProcessId) override;
    STDMETHODIMP RegisterClientProcess(ULONG dwProcessId) override;

    // IKIVOCamera3
    STDMETHODIMP Get3DLivePicture(SAFEARRAY** ppsaPicture, ULONG* pnWidth, ULONG* pnHeight, LONG* pnBytesPerPixel,
                                  LONG* pnFormat) override;

private:
    CSimCamera(CSimServer& server, CSimCameraState::ConnectionId nConn);
    ~CSimCamera();

    HRESULT SetTable(ESimTable eTable, SAFEARRAY* psaTable);
    HRESULT GetTable(ESimTable eTable, SAFEARRAY** ppsaTable);
    // True when this connection's next live frame is due; gives its number.
    bool TakeLiveFrame(LONG nFrameRate, ULONGLONG& nFrame);
    // LIVEFRAMECOUNT: the live frames this connection received.
    void CountDeliveredFrame();
    LONG GetDeliveredFrames();
    // LIVECALLCOUNT: every camera method called on this connection, counted
    // on entry (a read of the count counts itself); LIVEPENDINGCOUNT: the
    // fetches answered E_PENDING.
    void CountCall();
    static bool IsConnectionCount(tagEMVP eProp);
    LONG GetConnectionCount(tagEMVP eProp);

    LONG m_nRef;
    CSimServer& m_server;
    CSimCameraState& m_camera;
    const CSimCameraState::ConnectionId m_nConn;

    CRITICAL_SECTION m_csLive;
    bool m_bLiveDelivered;      // a live frame went out already
    LONGLONG m_nNextFrameDue;   // performance counter ticks
    ULONGLONG m_nLiveFrame;     // number of the next live frame
    ULONGLONG m_nLiveFramesDelivered;
    volatile LONG m_nCalls;
    volatile LONG m_nPendingAnswers;
};
