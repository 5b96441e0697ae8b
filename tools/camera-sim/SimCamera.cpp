#include "SimCamera.h"

#include "SimPictureGenerator.h"
#include "SimServer.h"

#include "KivoComPtr.h"
#include "KivoSafeArray.h"

#include <new>
#include <vector>
#include <utility>

namespace
{
// No C++ exception may leave a COM method: it would end the server.
template <class TFunc>
HRESULT CallGuarded(TFunc func)
{
    try
    {
        return func();
    }
    catch (const std::bad_alloc&)
    {
        return E_OUTOFMEMORY;
    }
    catch (...)
    {
        return E_UNEXPECTED;
    }
}

HRESULT ReturnText(const std::wstring& strText, BSTR* pbstr)
{
    *pbstr = SysAllocStringLen(strText.c_str(), static_cast<UINT>(strText.size()));
    return *pbstr != nullptr ? S_OK : E_OUTOFMEMORY;
}

bool IsNumericType(VARTYPE vt)
{
    switch (vt)
    {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT:
    case VT_R4:
    case VT_R8:
    case VT_CY:
    case VT_DECIMAL:
    case VT_BOOL:
    case VT_BSTR: return true;
    default: return false;
    }
}

// A VARIANT as a 32-bit integer. Unsigned 32-bit values keep their bits (a
// COLORREF above 0x7FFFFFFF stays what it is); everything else converts by
// value, numeric text included. Objects are refused rather than asked for
// their value, which would call back into the client.
HRESULT ConvertToLong(const VARIANT& vValue, LONG& nValue)
{
    const VARTYPE vt = V_VT(&vValue) & ~VT_BYREF;
    if ((V_VT(&vValue) & (VT_ARRAY | VT_VECTOR)) != 0 || !IsNumericType(vt))
        return DISP_E_TYPEMISMATCH;

    VARIANT vSource;
    VariantInit(&vSource);
    HRESULT hr = VariantCopyInd(&vSource, const_cast<VARIANT*>(&vValue));
    if (FAILED(hr))
        return DISP_E_TYPEMISMATCH;
    if (vt == VT_UI4 || vt == VT_UINT)
    {
        nValue = static_cast<LONG>(V_UI4(&vSource));
        VariantClear(&vSource);
        return S_OK;
    }
    VARIANT vResult;
    VariantInit(&vResult);
    hr = VariantChangeTypeEx(&vResult, &vSource, LOCALE_INVARIANT, 0, VT_I4);
    VariantClear(&vSource);
    if (FAILED(hr))
        return hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
    nValue = V_I4(&vResult);
    return S_OK;
}

LONGLONG GetPerformanceFrequency()
{
    static const LONGLONG s_nFrequency = [] {
        LARGE_INTEGER li;
        QueryPerformanceFrequency(&li);
        return li.QuadPart > 0 ? li.QuadPart : 1000;
    }();
    return s_nFrequency;
}
}

HRESULT CSimCamera::Create(CSimServer& server, REFIID riid, void** ppv)
{
    *ppv = nullptr;
    CSimCameraState::ConnectionId nConn = 0;
    HRESULT hr = CallGuarded([&] { return server.AddConnection(nConn); });
    if (FAILED(hr))
        return hr;
    CKIVOComPtr<CSimCamera> pCamera(new (std::nothrow) CSimCamera(server, nConn));
    if (pCamera.IsNull())
    {
        server.RemoveConnection(nConn);
        return E_OUTOFMEMORY;
    }
    return pCamera->QueryInterface(riid, ppv);   // the caller's reference; the creation's goes with pCamera
}

CSimCamera::CSimCamera(CSimServer& server, CSimCameraState::ConnectionId nConn)
    : m_nRef(1)
    , m_server(server)
    , m_camera(server.GetCamera())
    , m_nConn(nConn)
    , m_bLiveDelivered(false)
    , m_nNextFrameDue(0)
    , m_nLiveFrame(0)
    , m_nLiveFramesDelivered(0)
    , m_nCalls(0)
    , m_nPendingAnswers(0)
{
    InitializeCriticalSection(&m_csLive);
}

CSimCamera::~CSimCamera()
{
    // Gives up this connection's camera order as well.
    m_server.RemoveConnection(m_nConn);
    DeleteCriticalSection(&m_csLive);
}

// IUnknown

STDMETHODIMP CSimCamera::QueryInterface(REFIID riid, void** ppv)
{
    if (ppv == nullptr)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IKIVOCamera || riid == IID_IKIVOCamera2
        || riid == IID_IKIVOCamera3)
    {
        *ppv = static_cast<IKIVOCamera3*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) CSimCamera::AddRef()
{
    return static_cast<ULONG>(InterlockedIncrement(&m_nRef));
}

STDMETHODIMP_(ULONG) CSimCamera::Release()
{
    const LONG nRef = InterlockedDecrement(&m_nRef);
    if (nRef == 0)
        delete this;
    return static_cast<ULONG>(nRef);
}

// IDispatch

STDMETHODIMP CSimCamera::GetTypeInfoCount(UINT* pctinfo)
{
    if (pctinfo == nullptr)
        return E_POINTER;
    *pctinfo = m_server.GetTypeInfo() != nullptr ? 1 : 0;
    return S_OK;
}

STDMETHODIMP CSimCamera::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo)
{
    if (ppTInfo == nullptr)
        return E_POINTER;
    *ppTInfo = nullptr;
    ITypeInfo* pTypeInfo = m_server.GetTypeInfo();
    if (iTInfo != 0 || pTypeInfo == nullptr)
        return DISP_E_BADINDEX;
    pTypeInfo->AddRef();
    *ppTInfo = pTypeInfo;
    return S_OK;
}

STDMETHODIMP CSimCamera::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (rgszNames == nullptr || rgDispId == nullptr)
        return E_POINTER;
    ITypeInfo* pTypeInfo = m_server.GetTypeInfo();
    if (pTypeInfo == nullptr)
        return E_NOTIMPL;
    return DispGetIDsOfNames(pTypeInfo, rgszNames, cNames, rgDispId);
}

STDMETHODIMP CSimCamera::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (pDispParams == nullptr)
        return E_POINTER;
    ITypeInfo* pTypeInfo = m_server.GetTypeInfo();
    if (pTypeInfo == nullptr)
        return E_NOTIMPL;
    return DispInvoke(static_cast<IKIVOCamera3*>(this), pTypeInfo, dispIdMember, wFlags, pDispParams, pVarResult,
                      pExcepInfo, puArgErr);
}

// IKIVOCamera: state

STDMETHODIMP CSimCamera::GetServerState(tagEServerState* peState)
{
    CountCall();
    if (peState == nullptr)
        return E_POINTER;
    *peState = m_camera.GetState();
    return S_OK;
}

STDMETHODIMP CSimCamera::Open()
{
    CountCall();
    return m_camera.RunCommand(m_nConn, SIMCMD_OPEN);
}

STDMETHODIMP CSimCamera::Close()
{
    CountCall();
    return m_camera.RunCommand(m_nConn, SIMCMD_CLOSE);
}

STDMETHODIMP CSimCamera::Init()
{
    CountCall();
    return m_camera.RunCommand(m_nConn, SIMCMD_INIT);
}

STDMETHODIMP CSimCamera::Start()
{
    CountCall();
    return m_camera.RunCommand(m_nConn, SIMCMD_START);
}

STDMETHODIMP CSimCamera::Stop()
{
    CountCall();
    return m_camera.RunCommand(m_nConn, SIMCMD_STOP);
}

STDMETHODIMP CSimCamera::Update()
{
    CountCall();
    return m_camera.RunCommand(m_nConn, SIMCMD_UPDATE);
}

STDMETHODIMP CSimCamera::Reset()
{
    CountCall();
    return m_camera.RunCommand(m_nConn, SIMCMD_RESET);
}

STDMETHODIMP CSimCamera::OpenForProcess(ULONG dwProcessId)
{
    CountCall();
    return CallGuarded([&] {
        HRESULT hr = m_server.AnnounceClient(m_nConn, dwProcessId);
        return FAILED(hr) ? hr : m_camera.RunCommand(m_nConn, SIMCMD_OPEN);
    });
}

STDMETHODIMP CSimCamera::RegisterClientProcess(ULONG dwProcessId)
{
    CountCall();
    return CallGuarded([&] { return m_server.AnnounceClient(m_nConn, dwProcessId); });
}

// IKIVOCamera: errors

STDMETHODIMP CSimCamera::GetError(LONG* plError)
{
    CountCall();
    if (plError == nullptr)
        return E_POINTER;
    *plError = m_camera.GetError();
    return S_OK;
}

STDMETHODIMP CSimCamera::ClearError()
{
    CountCall();
    m_camera.ClearError();
    return S_OK;
}

STDMETHODIMP CSimCamera::GetErrorText(BSTR* pbstrText)
{
    CountCall();
    if (pbstrText == nullptr)
        return E_POINTER;
    *pbstrText = nullptr;
    return CallGuarded([&] { return ReturnText(m_camera.GetErrorText(), pbstrText); });
}

// IKIVOCamera: properties

STDMETHODIMP CSimCamera::GetPropName(tagEMVP eProp, BSTR* pbstrName)
{
    CountCall();
    if (pbstrName == nullptr)
        return E_POINTER;
    *pbstrName = nullptr;
    return CallGuarded([&] { return ReturnText(CSimPropertyStore::GetName(eProp), pbstrName); });
}

STDMETHODIMP CSimCamera::SetPropValue(tagEMVP eProp, BSTR bstrValue)
{
    CountCall();
    if (IsConnectionCount(eProp))
        return E_ACCESSDENIED;   // counted by the connection, never written
    return CallGuarded([&] {
        // A null BSTR is the empty text.
        const std::wstring strValue =
            bstrValue != nullptr ? std::wstring(bstrValue, SysStringLen(bstrValue)) : std::wstring();
        return m_camera.SetPropText(m_nConn, eProp, strValue);
    });
}

STDMETHODIMP CSimCamera::GetPropValue(tagEMVP eProp, BSTR* pbstrValue)
{
    CountCall();
    if (pbstrValue == nullptr)
        return E_POINTER;
    *pbstrValue = nullptr;
    return CallGuarded([&] {
        const std::wstring strValue = IsConnectionCount(eProp)
                                          ? CSimPropertyStore::FormatInteger(GetConnectionCount(eProp))
                                          : m_camera.GetPropText(eProp);
        return ReturnText(strValue, pbstrValue);
    });
}

STDMETHODIMP CSimCamera::SetPropVariant(tagEMVP eProp, VARIANT vValue)
{
    CountCall();
    if (IsConnectionCount(eProp))
        return E_ACCESSDENIED;
    return CallGuarded([&] {
        LONG nValue = 0;
        HRESULT hr = ConvertToLong(vValue, nValue);
        return FAILED(hr) ? hr : m_camera.SetPropInteger(m_nConn, eProp, nValue);
    });
}

STDMETHODIMP CSimCamera::GetPropVariant(tagEMVP eProp, VARIANT* pvValue)
{
    CountCall();
    if (pvValue == nullptr)
        return E_POINTER;
    VariantInit(pvValue);
    return CallGuarded([&] {
        V_I4(pvValue) = IsConnectionCount(eProp) ? GetConnectionCount(eProp) : m_camera.GetPropInteger(eProp);
        V_VT(pvValue) = VT_I4;
        return S_OK;
    });
}

// IKIVOCamera: order

STDMETHODIMP CSimCamera::OrderCamera(VARIANT* pvOrdered)
{
    CountCall();
    if (pvOrdered == nullptr)
        return E_POINTER;
    V_VT(pvOrdered) = VT_I4;
    V_I4(pvOrdered) = m_camera.OrderCamera(m_nConn) ? 1 : 0;
    return S_OK;
}

STDMETHODIMP CSimCamera::ReleaseCamera(LONG* plResult)
{
    CountCall();
    if (plResult == nullptr)
        return E_POINTER;
    *plResult = m_camera.ReleaseCamera(m_nConn) ? 1 : 0;
    return S_OK;
}

// IKIVOCamera: tables

STDMETHODIMP CSimCamera::SetSearchTab(SAFEARRAY* psaTable)
{
    CountCall();
    return SetTable(SIMTABLE_SEARCH, psaTable);
}

STDMETHODIMP CSimCamera::GetSearchTab(SAFEARRAY** ppsaTable)
{
    CountCall();
    return GetTable(SIMTABLE_SEARCH, ppsaTable);
}

STDMETHODIMP CSimCamera::SetMeasureTab(SAFEARRAY* psaTable)
{
    CountCall();
    return SetTable(SIMTABLE_MEASURE, psaTable);
}

STDMETHODIMP CSimCamera::GetMeasureTab(SAFEARRAY** ppsaTable)
{
    CountCall();
    return GetTable(SIMTABLE_MEASURE, ppsaTable);
}

HRESULT CSimCamera::SetTable(ESimTable eTable, SAFEARRAY* psaTable)
{
    if (psaTable == nullptr)
        return E_POINTER;
    VARTYPE vt = VT_EMPTY;
    if (SafeArrayGetDim(psaTable) != 1 || FAILED(SafeArrayGetVartype(psaTable, &vt)) || vt != VT_I4
        || SafeArrayGetElemsize(psaTable) != sizeof(LONG))
        return E_INVALIDARG;
    LONG nLower = 0, nUpper = -1;
    if (FAILED(SafeArrayGetLBound(psaTable, 1, &nLower)) || FAILED(SafeArrayGetUBound(psaTable, 1, &nUpper)))
        return E_INVALIDARG;
    const LONGLONG nCount = static_cast<LONGLONG>(nUpper) - nLower + 1;
    if (nCount < 0)
        return E_INVALIDARG;
    return CallGuarded([&] {
        std::vector<LONG> vecValues(static_cast<size_t>(nCount));
        if (nCount > 0)
        {
            void* pData = nullptr;
            HRESULT hr = SafeArrayAccessData(psaTable, &pData);
            if (FAILED(hr))
                return hr;
            memcpy(vecValues.data(), pData, vecValues.size() * sizeof(LONG));
            SafeArrayUnaccessData(psaTable);
        }
        return m_camera.SetTable(m_nConn, eTable, std::move(vecValues));
    });
}

HRESULT CSimCamera::GetTable(ESimTable eTable, SAFEARRAY** ppsaTable)
{
    if (ppsaTable == nullptr)
        return E_POINTER;
    *ppsaTable = nullptr;
    return CallGuarded([&] {
        const std::vector<LONG> vecValues = m_camera.GetTable(eTable);
        CKIVOUniqueResource<CKIVOSafeArrayTraits> table(
            SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(vecValues.size())));
        if (table.IsNull())
            return E_OUTOFMEMORY;
        if (!vecValues.empty())
        {
            void* pData = nullptr;
            HRESULT hr = SafeArrayAccessData(table.Get(), &pData);
            if (FAILED(hr))
                return hr;
            memcpy(pData, vecValues.data(), vecValues.size() * sizeof(LONG));
            SafeArrayUnaccessData(table.Get());
        }
        *ppsaTable = table.Detach();
        return S_OK;
    });
}

// IKIVOCamera: pictures

STDMETHODIMP CSimCamera::AllocPicture(LONG nPicture)
{
    CountCall();
    return CallGuarded([&] { return m_camera.AllocPicture(m_nConn, nPicture); });
}

STDMETHODIMP CSimCamera::GetPicture(LONG nPicture, SAFEARRAY** ppsaPicture)
{
    CountCall();
    if (ppsaPicture == nullptr)
        return E_POINTER;
    *ppsaPicture = nullptr;
    return CallGuarded([&] {
        if (!m_camera.IsPictureAllocated(nPicture))
            return E_INVALIDARG;
        const SSimPictureSettings settings = m_camera.GetPictureSettings();
        return CSimPictureGenerator::CreateGreyPicture(settings.nWidth, settings.nHeight, nPicture, ppsaPicture);
    });
}

STDMETHODIMP CSimCamera::GetRGBPicture(SAFEARRAY** ppsaPicture)
{
    CountCall();
    if (ppsaPicture == nullptr)
        return E_POINTER;
    *ppsaPicture = nullptr;
    return CallGuarded([&] {
        const SSimPictureSettings settings = m_camera.GetPictureSettings();
        return CSimPictureGenerator::CreateRGBPicture(settings.nWidth, settings.nHeight, ppsaPicture);
    });
}

// IKIVOCamera3

STDMETHODIMP CSimCamera::Get3DLivePicture(SAFEARRAY** ppsaPicture, ULONG* pnWidth, ULONG* pnHeight,
                                          LONG* pnBytesPerPixel, LONG* pnFormat)
{
    CountCall();
    if (ppsaPicture != nullptr)
        *ppsaPicture = nullptr;
    if (pnWidth != nullptr)
        *pnWidth = 0;
    if (pnHeight != nullptr)
        *pnHeight = 0;
    if (pnBytesPerPixel != nullptr)
        *pnBytesPerPixel = 0;
    if (pnFormat != nullptr)
        *pnFormat = 0;
    if (ppsaPicture == nullptr || pnWidth == nullptr || pnHeight == nullptr || pnBytesPerPixel == nullptr
        || pnFormat == nullptr)
        return E_POINTER;

    return CallGuarded([&] {
        // A camera that is not acquiring delivers no frames, like a real one.
        const SSimPictureSettings settings = m_camera.GetPictureSettings();
        ULONGLONG nFrame = 0;
        if (settings.eState != SERVERSTATE_STARTED || !TakeLiveFrame(settings.nFrameRate, nFrame))
        {
            InterlockedIncrement(&m_nPendingAnswers);
            return E_PENDING;
        }

        const bool bGrey = settings.nLiveFormat != 0;
        HRESULT hr =
            bGrey ? CSimPictureGenerator::CreateLiveGrey(settings.nWidth, settings.nHeight, nFrame, ppsaPicture)
                  : CSimPictureGenerator::CreateLiveColour(settings.nWidth, settings.nHeight, nFrame, ppsaPicture);
        if (FAILED(hr))
            return hr;
        *pnWidth = static_cast<ULONG>(settings.nWidth);
        *pnHeight = static_cast<ULONG>(settings.nHeight);
        *pnBytesPerPixel = bGrey ? 1 : 4;
        *pnFormat = bGrey ? 1 : 0;
        CountDeliveredFrame();
        return S_OK;
    });
}

bool CSimCamera::TakeLiveFrame(LONG nFrameRate, ULONGLONG& nFrame)
{
    LARGE_INTEGER liNow;
    QueryPerformanceCounter(&liNow);
    const LONGLONG nNow = liNow.QuadPart;
    const LONGLONG nPeriod = GetPerformanceFrequency() / (nFrameRate > 0 ? nFrameRate : 1);

    CSimLock lock(m_csLive);
    if (m_bLiveDelivered && nNow < m_nNextFrameDue)
        return false;
    // Keep the cadence while the client keeps up; after a pause start afresh
    // instead of delivering the missed frames in a burst.
    if (m_bLiveDelivered && nNow - m_nNextFrameDue < nPeriod)
        m_nNextFrameDue += nPeriod;
    else
        m_nNextFrameDue = nNow + nPeriod;
    m_bLiveDelivered = true;
    nFrame = m_nLiveFrame++;
    return true;
}

void CSimCamera::CountDeliveredFrame()
{
    CSimLock lock(m_csLive);
    ++m_nLiveFramesDelivered;
}

bool CSimCamera::IsConnectionCount(tagEMVP eProp)
{
    return eProp == LIVEFRAMECOUNT || eProp == LIVECALLCOUNT || eProp == LIVEPENDINGCOUNT;
}

LONG CSimCamera::GetConnectionCount(tagEMVP eProp)
{
    if (eProp == LIVECALLCOUNT)
        return InterlockedCompareExchange(&m_nCalls, 0, 0);
    if (eProp == LIVEPENDINGCOUNT)
        return InterlockedCompareExchange(&m_nPendingAnswers, 0, 0);
    return GetDeliveredFrames();
}

void CSimCamera::CountCall()
{
    InterlockedIncrement(&m_nCalls);
}

LONG CSimCamera::GetDeliveredFrames()
{
    CSimLock lock(m_csLive);
    return m_nLiveFramesDelivered > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<LONG>(m_nLiveFramesDelivered);
}
