// TestCameraServer.cpp: the scriptable in-process camera server.
#include "TestCameraServer.h"

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

SAFEARRAY* MakeByteArray(const std::vector<BYTE>& bytes, const CTestCameraScript::CArrayShape& shape)
{
    return MakeArray(bytes.data(), bytes.size(), VT_UI1, bytes.size(), shape);
}

SAFEARRAY* MakeLongArray(const std::vector<long>& values, const CTestCameraScript::CArrayShape& shape)
{
    return MakeArray(values.data(), values.size() * sizeof(long), VT_I4, values.size(), shape);
}

bool ReadLongArray(SAFEARRAY* psa, std::vector<long>& values)
{
    values.clear();
    if (psa == nullptr)
        return false;
    LONG nLower = 0, nUpper = -1;
    SafeArrayGetLBound(psa, 1, &nLower);
    SafeArrayGetUBound(psa, 1, &nUpper);
    void* pData = nullptr;
    if (FAILED(SafeArrayAccessData(psa, &pData)))
        return false;
    const long* pValues = static_cast<const long*>(pData);
    values.assign(pValues, pValues + (nUpper - nLower + 1));
    SafeArrayUnaccessData(psa);
    return true;
}

CTestCall MakeCall(const char* pszMethod, long nProp = -1, long nValue = 0)
{
    CTestCall call;
    call.strMethod = pszMethod;
    call.dwServerThreadId = GetCurrentThreadId();
    call.nProp = nProp;
    call.nValue = nValue;
    return call;
}

// One connection object; all of them share the script.
class CTestCamera : public IKIVOCamera3
{
public:
    explicit CTestCamera(CTestCameraScript& script) : m_script(script) { m_script.AddObject(1); }
    virtual ~CTestCamera() { m_script.AddObject(-1); }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (ppv == nullptr)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IKIVOCamera
            || (riid == IID_IKIVOCamera2 && m_script.Offers(IID_IKIVOCamera2))
            || (riid == IID_IKIVOCamera3 && m_script.Offers(IID_IKIVOCamera3)))
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
    STDMETHODIMP GetTypeInfoCount(UINT* pn) override { if (pn) *pn = 0; return S_OK; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override { return E_NOTIMPL; }

    // IKIVOCamera
    STDMETHODIMP GetServerState(tagEServerState* peState) override
    {
        HRESULT hr = m_script.Record(MakeCall("GetServerState"));
        if (peState)
            *peState = m_script.GetServerState();
        return hr;
    }
    STDMETHODIMP Open() override { return m_script.Record(MakeCall("Open")); }
    STDMETHODIMP Close() override { return m_script.Record(MakeCall("Close")); }
    STDMETHODIMP Init() override { return m_script.Record(MakeCall("Init")); }
    STDMETHODIMP Start() override { return m_script.Record(MakeCall("Start")); }
    STDMETHODIMP Stop() override { return m_script.Record(MakeCall("Stop")); }
    STDMETHODIMP GetPropName(tagEMVP eProp, BSTR* pbstrName) override
    {
        HRESULT hr = m_script.Record(MakeCall("GetPropName", eProp));
        wchar_t szName[32];
        wsprintfW(szName, L"Name %d", static_cast<int>(eProp));
        m_script.MakeText(szName, pbstrName);
        return hr;
    }
    STDMETHODIMP SetPropValue(tagEMVP eProp, BSTR bstrValue) override
    {
        CTestCall call = MakeCall("SetPropValue", eProp);
        call.strValue = bstrValue ? std::wstring(bstrValue, SysStringLen(bstrValue)) : L"";
        HRESULT hr = m_script.Record(call);
        if (SUCCEEDED(hr))
            m_script.StoreTextProp(eProp, call.strValue);
        return hr;
    }
    STDMETHODIMP GetPropValue(tagEMVP eProp, BSTR* pbstrValue) override
    {
        HRESULT hr = m_script.Record(MakeCall("GetPropValue", eProp));
        m_script.GetPropText(eProp, pbstrValue);
        return hr;
    }
    STDMETHODIMP GetError(long* plError) override
    {
        HRESULT hr = m_script.Record(MakeCall("GetError"));
        long nError = 0;
        std::wstring strText;
        m_script.GetError(nError, strText);
        if (plError)
            *plError = nError;
        return hr;
    }
    STDMETHODIMP ClearError() override { return m_script.Record(MakeCall("ClearError")); }
    STDMETHODIMP GetErrorText(BSTR* pbstrText) override
    {
        HRESULT hr = m_script.Record(MakeCall("GetErrorText"));
        long nError = 0;
        std::wstring strText;
        m_script.GetError(nError, strText);
        m_script.MakeText(strText, pbstrText);
        return hr;
    }
    STDMETHODIMP SetPropVariant(tagEMVP eProp, VARIANT vValue) override
    {
        CTestCall call = MakeCall("SetPropVariant", eProp, vValue.vt == VT_I4 ? vValue.lVal : 0);
        call.vt = vValue.vt;
        HRESULT hr = m_script.Record(call);
        if (SUCCEEDED(hr) && vValue.vt == VT_I4)
            m_script.StoreIntProp(eProp, vValue.lVal);
        return hr;
    }
    STDMETHODIMP GetPropVariant(tagEMVP eProp, VARIANT* pvValue) override
    {
        HRESULT hr = m_script.Record(MakeCall("GetPropVariant", eProp));
        if (pvValue == nullptr)
            return E_POINTER;
        HRESULT hrProp = m_script.GetPropVariant(eProp, pvValue);
        return FAILED(hrProp) ? hrProp : hr;
    }
    STDMETHODIMP SetSearchTab(SAFEARRAY* psaTable) override { return SetTable(false, psaTable); }
    STDMETHODIMP GetSearchTab(SAFEARRAY** ppsaTable) override { return GetTable(false, ppsaTable); }
    STDMETHODIMP SetMeasureTab(SAFEARRAY* psaTable) override { return SetTable(true, psaTable); }
    STDMETHODIMP GetMeasureTab(SAFEARRAY** ppsaTable) override { return GetTable(true, ppsaTable); }
    STDMETHODIMP Update() override { return m_script.Record(MakeCall("Update")); }
    STDMETHODIMP AllocPicture(long nPicture) override
    {
        return m_script.Record(MakeCall("AllocPicture", -1, nPicture));
    }
    STDMETHODIMP GetPicture(long nPicture, SAFEARRAY** ppsaPicture) override
    {
        HRESULT hr = m_script.Record(MakeCall("GetPicture", -1, nPicture));
        return DeliverPicture(hr, ppsaPicture, "GetPicture");
    }
    STDMETHODIMP OrderCamera(VARIANT* pvOrdered) override
    {
        HRESULT hr = m_script.Record(MakeCall("OrderCamera"));
        if (pvOrdered)
        {
            VariantInit(pvOrdered);
            pvOrdered->vt = VT_I4;
            pvOrdered->lVal = m_script.GetOrderAnswer();
        }
        return hr;
    }
    STDMETHODIMP ReleaseCamera(long* plResult) override
    {
        HRESULT hr = m_script.Record(MakeCall("ReleaseCamera"));
        if (plResult)
            *plResult = 1;
        return hr;
    }
    STDMETHODIMP Reset() override { return m_script.Record(MakeCall("Reset")); }
    STDMETHODIMP GetRGBPicture(SAFEARRAY** ppsaPicture) override
    {
        HRESULT hr = m_script.Record(MakeCall("GetRGBPicture"));
        return DeliverPicture(hr, ppsaPicture, "GetRGBPicture");
    }

    // IKIVOCamera2
    STDMETHODIMP OpenForProcess(unsigned long dwProcessId) override
    {
        return m_script.Record(MakeCall("OpenForProcess", -1, static_cast<long>(dwProcessId)));
    }
    STDMETHODIMP RegisterClientProcess(unsigned long dwProcessId) override
    {
        return m_script.Record(MakeCall("RegisterClientProcess", -1, static_cast<long>(dwProcessId)));
    }

    // IKIVOCamera3
    STDMETHODIMP Get3DLivePicture(SAFEARRAY** ppsaPicture, unsigned long* pnWidth,
                                  unsigned long* pnHeight, long* pnBytesPerPixel,
                                  long* pnFormat) override
    {
        HRESULT hr = m_script.Record(MakeCall("Get3DLivePicture"));
        if (!ppsaPicture || !pnWidth || !pnHeight || !pnBytesPerPixel || !pnFormat)
            return E_POINTER;
        *ppsaPicture = nullptr;
        CTestPicture picture;
        if (m_script.GetPicture(true, picture))
            *ppsaPicture = MakeByteArray(picture.bytes, m_script.GetArrayShape());
        *pnWidth = picture.nWidth;
        *pnHeight = picture.nHeight;
        *pnBytesPerPixel = picture.nBytesPerPixel;
        *pnFormat = picture.nFormat;
        return hr;
    }

private:
    HRESULT SetTable(bool bMeasure, SAFEARRAY* psaTable)
    {
        HRESULT hr = m_script.Record(MakeCall(bMeasure ? "SetMeasureTab" : "SetSearchTab"));
        std::vector<long> values;
        if (SUCCEEDED(hr) && ReadLongArray(psaTable, values))
            m_script.StoreTable(bMeasure, values);
        return hr;
    }
    HRESULT GetTable(bool bMeasure, SAFEARRAY** ppsaTable)
    {
        HRESULT hr = m_script.Record(MakeCall(bMeasure ? "GetMeasureTab" : "GetSearchTab"));
        if (ppsaTable == nullptr)
            return E_POINTER;
        *ppsaTable = nullptr;
        std::vector<long> values;
        if (SUCCEEDED(hr) && m_script.GetTable(bMeasure, values))
            *ppsaTable = MakeLongArray(values, m_script.GetArrayShape());
        return hr;
    }
    HRESULT DeliverPicture(HRESULT hr, SAFEARRAY** ppsaPicture, const char*)
    {
        if (ppsaPicture == nullptr)
            return E_POINTER;
        *ppsaPicture = nullptr;
        CTestPicture picture;
        if (SUCCEEDED(hr) && m_script.GetPicture(false, picture))
            *ppsaPicture = MakeByteArray(picture.bytes, m_script.GetArrayShape());
        return hr;
    }

    CTestCameraScript& m_script;
    LONG m_nRefs = 1;
};

class CTestCameraFactory : public IClassFactory
{
public:
    explicit CTestCameraFactory(CTestCameraScript& script) : m_script(script) {}

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
        HRESULT hr = m_script.GetCreateResult();
        if (FAILED(hr))
            return hr;
        CTestCamera* pCamera = new CTestCamera(m_script);
        hr = pCamera->QueryInterface(riid, ppv);
        pCamera->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    CTestCameraScript& m_script;
};
} // namespace


void CTestCameraScript::Reset()
{
    CTestScriptLock lock(m_cs);
    m_mapResults.clear();
    m_mapHooks.clear();
    m_mapPropResults.clear();
    m_mapIntProps.clear();
    m_mapTextProps.clear();
    m_bNullText = false;
    m_bVariantText = false;
    m_hrCreate = S_OK;
    m_bOffersCamera2 = m_bOffersCamera3 = true;
    for (int i = 0; i < 2; ++i)
    {
        m_pictures[i] = CTestPicture();
        m_tables[i].clear();
        m_abDeliverPicture[i] = m_abDeliverTable[i] = true;
    }
    m_nOrderAnswer = 1;
    m_nError = 0;
    m_strErrorText.clear();
    m_eState = SERVERSTATE_CLOSED;
    m_shape = { VT_EMPTY, 1, 0 };
    m_calls.clear();
}

std::vector<std::string> CTestCameraScript::GetMethods() const
{
    CTestScriptLock lock(m_cs);
    std::vector<std::string> methods;
    for (const CTestCall& call : m_calls)
        methods.push_back(call.strMethod);
    return methods;
}

size_t CTestCameraScript::CountCalls(const std::string& strMethod) const
{
    CTestScriptLock lock(m_cs);
    size_t n = 0;
    for (const CTestCall& call : m_calls)
        n += call.strMethod == strMethod ? 1 : 0;
    return n;
}

long CTestCameraScript::GetIntProp(long nProp) const
{
    CTestScriptLock lock(m_cs);
    auto it = m_mapIntProps.find(nProp);
    return it == m_mapIntProps.end() ? 0 : it->second;
}

std::wstring CTestCameraScript::GetTextProp(long nProp) const
{
    CTestScriptLock lock(m_cs);
    auto it = m_mapTextProps.find(nProp);
    return it == m_mapTextProps.end() ? std::wstring() : it->second;
}

HRESULT CTestCameraScript::Record(const CTestCall& call)
{
    std::function<void()> fnHook;
    HRESULT hr = S_OK;
    {
        CTestScriptLock lock(m_cs);
        m_calls.push_back(call);
        auto it = m_mapResults.find(call.strMethod);
        if (it != m_mapResults.end())
            hr = it->second;
        auto itHook = m_mapHooks.find(call.strMethod);
        if (itHook != m_mapHooks.end())
            fnHook = itHook->second;
    }
    if (fnHook)
        fnHook();   // outside the lock: a hook may read the script
    return hr;
}

HRESULT CTestCameraScript::GetPropVariant(long nProp, VARIANT* pv)
{
    CTestScriptLock lock(m_cs);
    VariantInit(pv);
    auto it = m_mapIntProps.find(nProp);
    long nValue = it == m_mapIntProps.end() ? 0 : it->second;
    if (m_bVariantText)
    {
        pv->vt = VT_BSTR;
        pv->bstrVal = SysAllocString(std::to_wstring(nValue).c_str());
    }
    else
    {
        pv->vt = VT_I4;
        pv->lVal = nValue;
    }
    auto itResult = m_mapPropResults.find(nProp);
    return itResult == m_mapPropResults.end() ? S_OK : itResult->second;
}

HRESULT CTestCameraScript::GetPropText(long nProp, BSTR* pbstr)
{
    std::wstring strValue;
    {
        CTestScriptLock lock(m_cs);
        auto it = m_mapTextProps.find(nProp);
        if (it != m_mapTextProps.end())
            strValue = it->second;
        else
        {
            auto itInt = m_mapIntProps.find(nProp);
            strValue = std::to_wstring(itInt == m_mapIntProps.end() ? 0 : itInt->second);
        }
    }
    return MakeText(strValue, pbstr);
}

HRESULT CTestCameraScript::MakeText(const std::wstring& strValue, BSTR* pbstr) const
{
    if (pbstr == nullptr)
        return E_POINTER;
    bool bNull;
    {
        CTestScriptLock lock(m_cs);
        bNull = m_bNullText;
    }
    *pbstr = bNull ? nullptr : SysAllocStringLen(strValue.data(), static_cast<UINT>(strValue.size()));
    return S_OK;
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
    ITypeLib* pTypeLib = nullptr;
    if (FAILED(LoadTypeLibEx(szPath, REGKIND_REGISTER, &pTypeLib)))
        return false;
    pTypeLib->Release();
    return true;
}
} // namespace

CTestCameraServer::CTestCameraServer()
{
    m_hReady = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    m_hQuit = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!RegisterOwnTypeLibrary())
        return;
    m_hThread = CreateThread(nullptr, 0, ServerThreadProc, this, 0, nullptr);
    if (m_hThread != nullptr)
        WaitForSingleObject(m_hReady, 30000);
}

CTestCameraServer::~CTestCameraServer()
{
    if (m_hThread != nullptr)
    {
        SetEvent(m_hQuit);
        WaitForSingleObject(m_hThread, 30000);
        CloseHandle(m_hThread);
    }
    CloseHandle(m_hReady);
    CloseHandle(m_hQuit);
}

DWORD WINAPI CTestCameraServer::ServerThreadProc(LPVOID pParam)
{
    CTestCameraServer* pThis = static_cast<CTestCameraServer*>(pParam);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CTestCameraFactory factory(pThis->m_script);
    DWORD dwCookie = 0;
    HRESULT hr = CoRegisterClassObject(CLSID_KIVOCamera, &factory, CLSCTX_LOCAL_SERVER,
                                       REGCLS_MULTIPLEUSE, &dwCookie);
    pThis->m_bRegistered = SUCCEEDED(hr);
    SetEvent(pThis->m_hReady);
    WaitForSingleObject(pThis->m_hQuit, INFINITE);
    if (SUCCEEDED(hr))
        CoRevokeClassObject(dwCookie);
    CoUninitialize();
    return 0;
}
