// COleSafeArray: a VARIANT owning a SAFEARRAY.
#include <afxdisp.h>

namespace
{
void CheckArray(const VARIANT& var)
{
    if ((V_VT(&var) & VT_ARRAY) == 0)
        AfxThrowInvalidArgException();
}
}   // namespace

COleSafeArray::COleSafeArray()
    : m_dwElementSize(0)
    , m_dwDims(0)
{
    memset(static_cast<LPVARIANT>(this), 0, sizeof(VARIANT));
}

COleSafeArray::COleSafeArray(const COleSafeArray& saSrc)
    : COleSafeArray()
{
    *this = saSrc;
}

COleSafeArray::COleSafeArray(const VARIANT& varSrc)
    : COleSafeArray()
{
    *this = varSrc;
}

COleSafeArray::COleSafeArray(LPCVARIANT pSrc)
    : COleSafeArray()
{
    *this = *pSrc;
}

COleSafeArray::~COleSafeArray()
{
    ::VariantClear(this);
}

void COleSafeArray::Clear()
{
    AfxCheckError(::VariantClear(this));
    m_dwElementSize = 0;
    m_dwDims = 0;
}

void COleSafeArray::Attach(VARIANT& varSrc)
{
    CheckArray(varSrc);
    Clear();
    memcpy(static_cast<LPVARIANT>(this), &varSrc, sizeof(varSrc));
    V_VT(&varSrc) = VT_EMPTY;
    m_dwDims = GetDim();
    m_dwElementSize = GetElemSize();
}

VARIANT COleSafeArray::Detach()
{
    VARIANT varResult = *this;
    V_VT(this) = VT_EMPTY;
    m_dwElementSize = 0;
    m_dwDims = 0;
    return varResult;
}

COleSafeArray& COleSafeArray::operator=(const COleSafeArray& saSrc)
{
    return *this = static_cast<const VARIANT&>(saSrc);
}

COleSafeArray& COleSafeArray::operator=(const VARIANT& varSrc)
{
    CheckArray(varSrc);
    if (static_cast<LPVARIANT>(this) != &varSrc)
    {
        AfxCheckError(::VariantCopy(this, const_cast<LPVARIANT>(&varSrc)));
        m_dwDims = GetDim();
        m_dwElementSize = GetElemSize();
    }
    return *this;
}

COleSafeArray& COleSafeArray::operator=(LPCVARIANT pSrc)
{
    return *this = *pSrc;
}

void COleSafeArray::CreateOneDim(VARTYPE vtSrc, DWORD dwElements, const void* pvSrcData, long nLBound)
{
    SAFEARRAYBOUND rgsabound;
    rgsabound.cElements = dwElements;
    rgsabound.lLbound = nLBound;
    Create(vtSrc, 1, &rgsabound);

    if (pvSrcData != nullptr && dwElements != 0)
    {
        void* pvDestData;
        AccessData(&pvDestData);
        memcpy(pvDestData, pvSrcData, (size_t)GetElemSize() * dwElements);
        UnaccessData();
    }
}

DWORD COleSafeArray::GetOneDimSize()
{
    long nUBound, nLBound;
    GetUBound(1, &nUBound);
    GetLBound(1, &nLBound);
    return (DWORD)(nUBound + 1 - nLBound);
}

void COleSafeArray::ResizeOneDim(DWORD dwElements)
{
    SAFEARRAYBOUND rgsabound;
    rgsabound.cElements = dwElements;
    rgsabound.lLbound = 0;
    Redim(&rgsabound);
}

void COleSafeArray::Create(VARTYPE vtSrc, DWORD dwDims, DWORD* rgElements)
{
    if (rgElements == nullptr || dwDims == 0)
        AfxThrowInvalidArgException();
    SAFEARRAYBOUND* rgsaBounds = new SAFEARRAYBOUND[dwDims];
    for (DWORD dwIndex = 0; dwIndex < dwDims; dwIndex++)
    {
        rgsaBounds[dwIndex].lLbound = 0;
        rgsaBounds[dwIndex].cElements = rgElements[dwIndex];
    }
    try
    {
        Create(vtSrc, dwDims, rgsaBounds);
    }
    catch (...)
    {
        delete[] rgsaBounds;
        throw;
    }
    delete[] rgsaBounds;
}

void COleSafeArray::Create(VARTYPE vtSrc, DWORD dwDims, SAFEARRAYBOUND* rgsabound)
{
    if (dwDims == 0 || rgsabound == nullptr)
        AfxThrowInvalidArgException();
    Clear();
    V_ARRAY(this) = ::SafeArrayCreate(vtSrc, dwDims, rgsabound);
    if (V_ARRAY(this) == nullptr)
        AfxThrowMemoryException();
    V_VT(this) = (VARTYPE)(vtSrc | VT_ARRAY);
    m_dwDims = dwDims;
    m_dwElementSize = GetElemSize();
}

void COleSafeArray::AccessData(void** ppvData)
{
    AfxCheckError(::SafeArrayAccessData(V_ARRAY(this), ppvData));
}

void COleSafeArray::UnaccessData()
{
    AfxCheckError(::SafeArrayUnaccessData(V_ARRAY(this)));
}

void COleSafeArray::GetLBound(DWORD dwDim, long* pLBound)
{
    AfxCheckError(::SafeArrayGetLBound(V_ARRAY(this), dwDim, pLBound));
}

void COleSafeArray::GetUBound(DWORD dwDim, long* pUBound)
{
    AfxCheckError(::SafeArrayGetUBound(V_ARRAY(this), dwDim, pUBound));
}

void COleSafeArray::GetElement(long* rgIndices, void* pvData)
{
    AfxCheckError(::SafeArrayGetElement(V_ARRAY(this), rgIndices, pvData));
}

void COleSafeArray::PutElement(long* rgIndices, void* pvData)
{
    AfxCheckError(::SafeArrayPutElement(V_ARRAY(this), rgIndices, pvData));
}

void COleSafeArray::Redim(SAFEARRAYBOUND* psaboundNew)
{
    AfxCheckError(::SafeArrayRedim(V_ARRAY(this), psaboundNew));
}

void COleSafeArray::Lock()
{
    AfxCheckError(::SafeArrayLock(V_ARRAY(this)));
}

void COleSafeArray::Unlock()
{
    AfxCheckError(::SafeArrayUnlock(V_ARRAY(this)));
}

DWORD COleSafeArray::GetDim()
{
    return ::SafeArrayGetDim(V_ARRAY(this));
}

DWORD COleSafeArray::GetElemSize()
{
    return ::SafeArrayGetElemsize(V_ARRAY(this));
}

void COleSafeArray::Destroy()
{
    AfxCheckError(::SafeArrayDestroy(V_ARRAY(this)));
    // The array is gone: do not let Clear or the destructor free it again.
    V_VT(this) = VT_EMPTY;
    V_ARRAY(this) = nullptr;
    m_dwElementSize = 0;
    m_dwDims = 0;
}
