// COleVariant: a VARIANT that owns its contents.
#include <afxdisp.h>

namespace
{
void InitVariant(LPVARIANT pVar)
{
    memset(pVar, 0, sizeof(*pVar));   // VT_EMPTY
}

// Stores a copy of psz as a BSTR; the variant must be cleared already.
void SetBstr(LPVARIANT pVar, LPCTSTR psz)
{
    V_VT(pVar) = VT_BSTR;
    V_BSTR(pVar) = nullptr;
    if (psz != nullptr)
    {
        V_BSTR(pVar) = ::SysAllocString(psz);
        if (V_BSTR(pVar) == nullptr)
            AfxThrowMemoryException();
    }
}

// Gives the variant type vt, releasing the old contents first when it had another.
void KeepOrChangeType(COleVariant& var, VARTYPE vt)
{
    if (V_VT(&var) == vt)
        return;
    var.Clear();
    V_VT(&var) = vt;
}
}   // namespace

COleVariant::COleVariant()
{
    InitVariant(this);
}

COleVariant::COleVariant(const VARIANT& varSrc)
{
    InitVariant(this);
    AfxCheckError(::VariantCopy(this, const_cast<LPVARIANT>(&varSrc)));
}

COleVariant::COleVariant(LPCVARIANT pSrc)
{
    InitVariant(this);
    AfxCheckError(::VariantCopy(this, const_cast<LPVARIANT>(pSrc)));
}

COleVariant::COleVariant(const COleVariant& varSrc)
    : tagVARIANT()
{
    InitVariant(this);
    AfxCheckError(::VariantCopy(this, const_cast<COleVariant*>(&varSrc)));
}

COleVariant::COleVariant(LPCTSTR lpszSrc)
{
    InitVariant(this);
    SetBstr(this, lpszSrc);
}

COleVariant::COleVariant(CString& strSrc)
{
    InitVariant(this);
    SetBstr(this, strSrc);
}

COleVariant::COleVariant(BYTE nSrc)
{
    InitVariant(this);
    *this = nSrc;
}

COleVariant::COleVariant(short nSrc, VARTYPE vtSrc)
{
    InitVariant(this);
    if (vtSrc == VT_BOOL)
    {
        V_VT(this) = VT_BOOL;
        V_BOOL(this) = nSrc ? VARIANT_TRUE : VARIANT_FALSE;
    }
    else
    {
        *this = nSrc;
    }
}

COleVariant::COleVariant(long lSrc, VARTYPE vtSrc)
{
    InitVariant(this);
    switch (vtSrc)
    {
    case VT_ERROR:
        V_VT(this) = VT_ERROR;
        V_ERROR(this) = lSrc;
        break;
    case VT_BOOL:
        V_VT(this) = VT_BOOL;
        V_BOOL(this) = lSrc ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case VT_INT:
    case VT_UINT:
    case VT_UI4:
    case VT_HRESULT:
        V_VT(this) = vtSrc;   // all share the 32-bit slot of lVal
        V_I4(this) = lSrc;
        break;
    default: *this = lSrc; break;
    }
}

COleVariant::COleVariant(float fltSrc)
{
    InitVariant(this);
    *this = fltSrc;
}

COleVariant::COleVariant(double dblSrc)
{
    InitVariant(this);
    *this = dblSrc;
}

COleVariant::~COleVariant()
{
    ::VariantClear(this);
}

void COleVariant::Clear()
{
    AfxCheckError(::VariantClear(this));
}

void COleVariant::ChangeType(VARTYPE vartype, LPVARIANT pSrc)
{
    if (pSrc == nullptr)
        pSrc = this;
    if (pSrc != this || vartype != V_VT(pSrc))
        AfxCheckError(::VariantChangeType(this, pSrc, 0, vartype));
}

void COleVariant::Attach(VARIANT& varSrc)
{
    Clear();
    memcpy(static_cast<LPVARIANT>(this), &varSrc, sizeof(varSrc));
    V_VT(&varSrc) = VT_EMPTY;
}

VARIANT COleVariant::Detach()
{
    VARIANT varResult = *this;
    V_VT(this) = VT_EMPTY;
    return varResult;
}

const COleVariant& COleVariant::operator=(const VARIANT& varSrc)
{
    if (static_cast<LPVARIANT>(this) != &varSrc)
        AfxCheckError(::VariantCopy(this, const_cast<LPVARIANT>(&varSrc)));
    return *this;
}

const COleVariant& COleVariant::operator=(LPCVARIANT pSrc)
{
    return *this = *pSrc;
}

const COleVariant& COleVariant::operator=(const COleVariant& varSrc)
{
    return *this = static_cast<const VARIANT&>(varSrc);
}

const COleVariant& COleVariant::operator=(const LPCTSTR lpszSrc)
{
    Clear();
    SetBstr(this, lpszSrc);
    return *this;
}

const COleVariant& COleVariant::operator=(const CString& strSrc)
{
    return *this = strSrc.GetString();
}

// Assigning a number keeps a numeric type when the variant already has
// that type, and changes it otherwise (after releasing the old contents).
const COleVariant& COleVariant::operator=(BYTE nSrc)
{
    KeepOrChangeType(*this, VT_UI1);
    V_UI1(this) = nSrc;
    return *this;
}

const COleVariant& COleVariant::operator=(short nSrc)
{
    if (V_VT(this) == VT_BOOL)
    {
        V_BOOL(this) = nSrc ? VARIANT_TRUE : VARIANT_FALSE;
        return *this;
    }
    KeepOrChangeType(*this, VT_I2);
    V_I2(this) = nSrc;
    return *this;
}

const COleVariant& COleVariant::operator=(long lSrc)
{
    switch (V_VT(this))
    {
    case VT_ERROR: V_ERROR(this) = lSrc; break;
    case VT_BOOL: V_BOOL(this) = lSrc ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_I4: V_I4(this) = lSrc; break;
    default:
        Clear();
        V_VT(this) = VT_I4;
        V_I4(this) = lSrc;
        break;
    }
    return *this;
}

const COleVariant& COleVariant::operator=(float fltSrc)
{
    KeepOrChangeType(*this, VT_R4);
    V_R4(this) = fltSrc;
    return *this;
}

const COleVariant& COleVariant::operator=(double dblSrc)
{
    KeepOrChangeType(*this, VT_R8);
    V_R8(this) = dblSrc;
    return *this;
}
