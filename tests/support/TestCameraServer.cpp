// TestCameraServer.cpp: the scriptable in-process camera server.
#include "TestCameraServer.h"

#include <KivoComInit.h>
#include <KivoComPtr.h>
#include <oleauto.h>

namespace
{
// An array of the shape the script asks for, holding as much of the data as
// fits: the same bytes, seen as other elements, dimensions or bounds.
SAFEARRAY* MakeArray(const void* pData, size_t nBytes, VARTYPE vtDefault, size_t nDefaultElements,
                     const CTestCameraScript::CArrayShape& shape)
{
    VARTYPE vt = shape.vtElement == VT_EMPTY ? vtDefault : shape.vtElement;
    SAFEARRAYBOUND bounds[2] = {};
    UINT nDims = shape.nDims == 2 ? 2 : 1;
    ULONG nElements = static_cast<ULONG>(nDefaultElements);
    if (vt != vtDefault)   // the same bytes as elements of another size
        nElements = static_cast<ULONG>(nBytes / (vt == VT_I4 ? 4 : vt == VT_I2 ? 2 : vt == VT_R8 ? 8 : 1));
    if (nDims == 2)
    {
        bounds[0].cElements = 2;
        bounds[1].cElements = nElements / 2;
    }
    else
        bounds[0].cElements = nElements;
    bounds[0].lLbound = shape.nLowerBound;
    SAFEARRAY* psa = SafeArrayCreate(vt, nDims, bounds);
    if (psa != nullptr && nBytes > 0)
    {
        void* pArrayData = nullptr;
        if (SUCCEEDED(SafeArrayAccessData(psa, &pArrayData)))
        {
            size_t nCapacity = static_cast<size_t>(SafeArrayGetElemsize(psa)) * bounds[0].cElements
                               * (nDims == 2 ? bounds[1].cElements : 1);
            memcpy(pArrayData, pData, nBytes < nCapacity ? nBytes : nCapacity);
            SafeArrayUnaccessData(psa);
        }
    }
    return psa;
}

// A vector holding the data that claims more elements than it holds. Made as
// one block of descriptor and data, which destroying it neither clears nor
// frees element by element, so the claim is never acted upon.
SAFEARRAY* MakeClaimingVector(const void* pData, size_t nBytes, VARTYPE vt, ULONG nClaimedElements)
{
    const ULONG nElements = static_cast<ULONG>(nBytes / (vt == VT_I4 ? 4 : 1));
    SAFEARRAY* psa = SafeArrayCreateVector(vt, 0, nElements);
    if (psa == nullptr)
        return nullptr;
    if (nBytes > 0)
        memcpy(psa->pvData, pData, nBytes);
    psa->rgsabound[0].cElements = nClaimedElements;
    return psa;
}

SAFEARRAY* MakeByteArray(const std::vector<BYTE>& bytes, const CTestCameraScript::CArrayShape& shape)
{
    if (shape.nClaimedElements != 0)
        return MakeClaimingVector(bytes.data(), bytes.size(), VT_UI1, shape.nClaimedElements);
    return MakeArray(bytes.data(), bytes.size(), VT_UI1, bytes.size(), shape);
}

SAFEARRAY* MakeLongArray(const std::vector<long>& values, const CTestCameraScript::CArrayShape& shape)
{
    if (shape.nClaimedElements != 0)
        return MakeClaimingVector(values.data(), values.size() * sizeof(long), VT_I4, shape.nClaimedElements);
    return MakeArray(values.data(), values.size() * sizeof(long), VT_I4, values.size(), shape);
}

bool ReadLongArray(SAFEARRAY* psa, std::vector<long>& values)
{
    LONG nLower = 0, nUpper = -1;
    void* pData = nullptr;
    if (psa == nullptr || FAILED(SafeArrayGetLBound(psa, 1, &nLower)) || FAILED(SafeArrayGetUBound(psa, 1, &nUpper))
        || FAILED(SafeArrayAccessData(psa, &pData)))
        return false;
    values.assign(static_cast<const long*>(pData), static_cast<const long*>(pData) + (nUpper - nLower + 1));
    SafeArrayUnaccessData(psa);
    return true;
}

HRESULT MakeText(const std::wstring& strValue, bool bNull, BSTR* pbstr)
{
    if (pbstr == nullptr)
        return E_POINTER;
    *pbstr = bNull ? nullptr : SysAllocStringLen(strValue.data(), static_cast<UINT>(strValue.size()));
    return S_OK;
}
}   // namespace

// One connection object; all of them share the script.
class CTestCamera : public IKIVOCamera3
{
public:
    using CLock = CTestCameraScript::CLock;
    explicit CTestCamera(CTestCameraScript& script)
        : m_script(script)
    {
        CLock lock(m_script.m_mutex);
        ++m_script.m_nObjects;
    }
    virtual ~CTestCamera()
    {
        CLock lock(m_script.m_mutex);
        --m_script.m_nObjects;
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        CLock lock(m_script.m_mutex);
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IKIVOCamera
            || (riid == IID_IKIVOCamera2 && m_script.m_state.abOffers[0])
            || (riid == IID_IKIVOCamera3 && m_script.m_state.abOffers[1]))
        {
            *ppv = static_cast<IKIVOCamera3*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_nRefs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG nRefs = InterlockedDecrement(&m_nRefs);
        if (nRefs == 0)
            delete this;
        return nRefs;
    }

    // IDispatch: the client never calls through it.
    STDMETHODIMP GetTypeInfoCount(UINT* pn) override
    {
        if (pn)
            *pn = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }

    // IKIVOCamera
    STDMETHODIMP GetServerState(tagEServerState* peState) override
    {
        if (peState)
            *peState = SERVERSTATE_CLOSED;
        return Record("GetServerState");
    }
    STDMETHODIMP Open() override { return Record("Open"); }
    STDMETHODIMP Close() override { return Record("Close"); }
    STDMETHODIMP Init() override { return Record("Init"); }
    STDMETHODIMP Start() override { return Record("Start"); }
    STDMETHODIMP Stop() override { return Record("Stop"); }
    STDMETHODIMP GetPropName(tagEMVP eProp, BSTR* pbstrName) override
    {
        HRESULT hr = Record("GetPropName");
        Text(L"Name " + std::to_wstring(static_cast<int>(eProp)), pbstrName);
        return hr;
    }
    STDMETHODIMP SetPropValue(tagEMVP eProp, BSTR bstrValue) override
    {
        CTestCall call = MakeCall("SetPropValue");
        call.strValue = bstrValue ? std::wstring(bstrValue, SysStringLen(bstrValue)) : L"";
        HRESULT hr = Record(call);
        CLock lock(m_script.m_mutex);
        if (SUCCEEDED(hr))
            m_script.m_state.mapTextProps[eProp] = call.strValue;
        return hr;
    }
    STDMETHODIMP GetPropValue(tagEMVP eProp, BSTR* pbstrValue) override
    {
        HRESULT hr = Record("GetPropValue");
        std::wstring strValue;
        {
            CLock lock(m_script.m_mutex);
            const CTestCameraScript::CState& state = m_script.m_state;
            strValue = state.mapTextProps.count(eProp)
                           ? state.mapTextProps.at(eProp)
                           : std::to_wstring(CTestCameraScript::Find(state.mapIntProps, eProp, 0L));
        }
        Text(strValue, pbstrValue);
        return hr;
    }
    STDMETHODIMP GetError(long* plError) override
    {
        HRESULT hr = Record("GetError");
        CLock lock(m_script.m_mutex);
        if (plError)
            *plError = m_script.m_state.nError;
        return hr;
    }
    STDMETHODIMP ClearError() override { return Record("ClearError"); }
    STDMETHODIMP GetErrorText(BSTR* pbstrText) override
    {
        HRESULT hr = Record("GetErrorText");
        std::wstring strText;
        {
            CLock lock(m_script.m_mutex);
            strText = m_script.m_state.strErrorText;
        }
        Text(strText, pbstrText);
        return hr;
    }
    STDMETHODIMP SetPropVariant(tagEMVP eProp, VARIANT vValue) override
    {
        HRESULT hr = Record(MakeCall("SetPropVariant", vValue.vt == VT_I4 ? vValue.lVal : 0));
        CLock lock(m_script.m_mutex);
        if (SUCCEEDED(hr) && vValue.vt == VT_I4)
            m_script.StoreIntProp(eProp, vValue.lVal);
        return hr;
    }
    STDMETHODIMP GetPropVariant(tagEMVP eProp, VARIANT* pvValue) override
    {
        HRESULT hr = Record("GetPropVariant");
        if (pvValue == nullptr)
            return E_POINTER;
        CLock lock(m_script.m_mutex);
        const CTestCameraScript::CState& state = m_script.m_state;
        long nValue = CTestCameraScript::Find(state.mapIntProps, eProp, 0L);
        VariantInit(pvValue);
        pvValue->vt = state.bVariantText ? VT_BSTR : VT_I4;
        if (state.bVariantText)
            pvValue->bstrVal = SysAllocString(std::to_wstring(nValue).c_str());
        else
            pvValue->lVal = nValue;
        HRESULT hrProp = CTestCameraScript::Find(state.mapPropResults, eProp, S_OK);
        return FAILED(hrProp) ? hrProp : hr;
    }
    STDMETHODIMP SetSearchTab(SAFEARRAY* psaTable) override { return SetTable(false, psaTable); }
    STDMETHODIMP GetSearchTab(SAFEARRAY** ppsaTable) override { return GetTable(false, ppsaTable); }
    STDMETHODIMP SetMeasureTab(SAFEARRAY* psaTable) override { return SetTable(true, psaTable); }
    STDMETHODIMP GetMeasureTab(SAFEARRAY** ppsaTable) override { return GetTable(true, ppsaTable); }
    STDMETHODIMP Update() override { return Record("Update"); }
    STDMETHODIMP AllocPicture(long nPicture) override { return Record(MakeCall("AllocPicture", nPicture)); }
    STDMETHODIMP GetPicture(long nPicture, SAFEARRAY** ppsaPicture) override
    {
        return DeliverPicture(Record(MakeCall("GetPicture", nPicture)), ppsaPicture);
    }
    STDMETHODIMP OrderCamera(VARIANT* pvOrdered) override
    {
        HRESULT hr = Record("OrderCamera");
        CLock lock(m_script.m_mutex);
        if (pvOrdered)
        {
            VariantInit(pvOrdered);
            pvOrdered->vt = VT_I4;
            pvOrdered->lVal = m_script.m_state.nOrderAnswer;
        }
        return hr;
    }
    STDMETHODIMP ReleaseCamera(long* plResult) override
    {
        if (plResult)
            *plResult = 1;
        return Record("ReleaseCamera");
    }
    STDMETHODIMP Reset() override { return Record("Reset"); }
    STDMETHODIMP GetRGBPicture(SAFEARRAY** ppsaPicture) override
    {
        return DeliverPicture(Record("GetRGBPicture"), ppsaPicture);
    }

    // IKIVOCamera2
    STDMETHODIMP OpenForProcess(unsigned long dwProcessId) override
    {
        return Record(MakeCall("OpenForProcess", static_cast<long>(dwProcessId)));
    }
    STDMETHODIMP RegisterClientProcess(unsigned long dwProcessId) override
    {
        return Record(MakeCall("RegisterClientProcess", static_cast<long>(dwProcessId)));
    }

    // IKIVOCamera3
    STDMETHODIMP Get3DLivePicture(SAFEARRAY** ppsaPicture, unsigned long* pnWidth, unsigned long* pnHeight,
                                  long* pnBytesPerPixel, long* pnFormat) override
    {
        HRESULT hr = Record("Get3DLivePicture");
        if (!ppsaPicture || !pnWidth || !pnHeight || !pnBytesPerPixel || !pnFormat)
            return E_POINTER;
        CLock lock(m_script.m_mutex);
        const CTestPicture& picture = m_script.m_state.pictures[1];
        *ppsaPicture =
            m_script.m_state.abDeliverPicture[1] ? MakeByteArray(picture.bytes, m_script.m_state.shape) : nullptr;
        *pnWidth = picture.nWidth;
        *pnHeight = picture.nHeight;
        *pnBytesPerPixel = picture.nBytesPerPixel;
        *pnFormat = picture.nFormat;
        return hr;
    }

private:
    static CTestCall MakeCall(const char* pszMethod, long nValue = 0)
    {
        CTestCall call;
        call.strMethod = pszMethod;
        call.dwServerThreadId = GetCurrentThreadId();
        call.nValue = nValue;
        return call;
    }
    HRESULT Record(const char* pszMethod) { return Record(MakeCall(pszMethod)); }
    // Records the call, runs its hook outside the lock (a hook may read the
    // script) and gives the programmed result.
    HRESULT Record(const CTestCall& call)
    {
        std::function<void()> fnHook;
        HRESULT hr = S_OK;
        {
            CLock lock(m_script.m_mutex);
            CTestCameraScript::CState& state = m_script.m_state;
            state.calls.push_back(call);
            hr = state.mapResults.count(call.strMethod) ? state.mapResults[call.strMethod] : S_OK;
            if (state.mapHooks.count(call.strMethod))
                fnHook = state.mapHooks[call.strMethod];
        }
        if (fnHook)
            fnHook();
        return hr;
    }
    void Text(const std::wstring& strValue, BSTR* pbstr)
    {
        bool bNull;
        {
            CLock lock(m_script.m_mutex);
            bNull = m_script.m_state.bNullText;
        }
        MakeText(strValue, bNull, pbstr);
    }
    HRESULT SetTable(bool bMeasure, SAFEARRAY* psaTable)
    {
        HRESULT hr = Record(bMeasure ? "SetMeasureTab" : "SetSearchTab");
        std::vector<long> values;
        CLock lock(m_script.m_mutex);
        if (SUCCEEDED(hr) && ReadLongArray(psaTable, values))
            m_script.m_state.tables[bMeasure] = values;
        return hr;
    }
    HRESULT GetTable(bool bMeasure, SAFEARRAY** ppsaTable)
    {
        HRESULT hr = Record(bMeasure ? "GetMeasureTab" : "GetSearchTab");
        if (ppsaTable == nullptr)
            return E_POINTER;
        CLock lock(m_script.m_mutex);
        const CTestCameraScript::CState& state = m_script.m_state;
        *ppsaTable = SUCCEEDED(hr) && state.abDeliverTable[bMeasure]
                         ? MakeLongArray(state.tables[bMeasure], state.shape)
                         : nullptr;
        return hr;
    }
    HRESULT DeliverPicture(HRESULT hr, SAFEARRAY** ppsaPicture)
    {
        if (ppsaPicture == nullptr)
            return E_POINTER;
        CLock lock(m_script.m_mutex);
        const CTestCameraScript::CState& state = m_script.m_state;
        *ppsaPicture =
            SUCCEEDED(hr) && state.abDeliverPicture[0] ? MakeByteArray(state.pictures[0].bytes, state.shape) : nullptr;
        return hr;
    }

    CTestCameraScript& m_script;
    LONG m_nRefs = 1;
};

class CTestCameraFactory : public IClassFactory
{
public:
    explicit CTestCameraFactory(CTestCameraScript& script)
        : m_script(script)
    {
    }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    // Lives as long as the server object that owns it.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }

    STDMETHODIMP CreateInstance(IUnknown* pOuter, REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (pOuter != nullptr)
            return CLASS_E_NOAGGREGATION;
        HRESULT hr;
        {
            CTestCameraScript::CLock lock(m_script.m_mutex);
            hr = m_script.m_state.hrCreate;
        }
        if (FAILED(hr))
            return hr;
        CKIVOComPtr<CTestCamera> pCamera(new CTestCamera(m_script));
        return pCamera->QueryInterface(riid, ppv);   // the caller's reference; the creation's goes with pCamera
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    CTestCameraScript& m_script;
};

std::vector<std::string> CTestCameraScript::GetMethods() const
{
    CLock lock(m_mutex);
    std::vector<std::string> methods;
    for (const CTestCall& call : m_state.calls)
        methods.push_back(call.strMethod);
    return methods;
}

size_t CTestCameraScript::CountCalls(const std::string& strMethod) const
{
    CLock lock(m_mutex);
    size_t n = 0;
    for (const CTestCall& call : m_state.calls)
        n += call.strMethod == strMethod ? 1 : 0;
    return n;
}

// ---------------------------------------------------------------------------
// CTestCameraServer

namespace
{

// The standard marshaller needs the camera interfaces' type library; this
// program carries it as a resource.
bool RegisterOwnTypeLibrary()
{
    wchar_t szPath[MAX_PATH];
    if (GetModuleFileNameW(nullptr, szPath, MAX_PATH) == 0)
        return false;
    CKIVOComPtr<ITypeLib> pTypeLib;
    return SUCCEEDED(LoadTypeLibEx(szPath, REGKIND_REGISTER, pTypeLib.ReceiveTyped()));
}
}   // namespace

CTestCameraServer::CTestCameraServer()
{
    m_hReady.Reset(Kivo::CreateManualResetEvent());
    m_hQuit.Reset(Kivo::CreateManualResetEvent());
    if (!RegisterOwnTypeLibrary())
        return;
    m_hThread.Reset(CreateThread(nullptr, 0, ServerThreadProc, this, 0, nullptr));
    if (!m_hThread.IsNull())
        WaitForSingleObject(m_hReady, 30000);
}

CTestCameraServer::~CTestCameraServer()
{
    if (!m_hThread.IsNull())
    {
        SetEvent(m_hQuit);
        WaitForSingleObject(m_hThread, 30000);
    }
}

DWORD WINAPI CTestCameraServer::ServerThreadProc(LPVOID pParam)
{
    CTestCameraServer* pThis = static_cast<CTestCameraServer*>(pParam);
    // The factory outlives the apartment: its end may still release references to it.
    CTestCameraFactory factory(pThis->m_script);
    CKIVOComInit com(COINIT_MULTITHREADED);
    DWORD dwCookie = 0;
    HRESULT hr = CoRegisterClassObject(CLSID_KIVOCamera, &factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &dwCookie);
    pThis->m_bRegistered = SUCCEEDED(hr);
    SetEvent(pThis->m_hReady);
    WaitForSingleObject(pThis->m_hQuit, INFINITE);
    if (SUCCEEDED(hr))
        CoRevokeClassObject(dwCookie);
    return 0;
}
