#include "SimPropertyStore.h"

#include "KivoCamera.h"

#include <cwchar>

namespace
{
struct SPropInfo
{
    LONG nProp;
    const wchar_t* pszName;
    LONG nDefault;
};

// The named numbers of tagEMVP with the values a new server starts with.
const SPropInfo g_aProps[] = {
    { OWNER, L"OWNER", 0 },
    { CONTROLFLAGS, L"CONTROLFLAGS", 0 },
    { PICTUREWIDTH, L"PICTUREWIDTH", 640 },
    { PICTUREHEIGHT, L"PICTUREHEIGHT", 480 },
    { LIVEWIDTH, L"LIVEWIDTH", 640 },
    { LIVEHEIGHT, L"LIVEHEIGHT", 480 },
    { LIVELEFT, L"LIVELEFT", 0 },
    { LIVETOP, L"LIVETOP", 0 },
    { LIMITEDSIZE, L"LIMITEDSIZE", 0 },
    { LIVEWINDOW, L"LIVEWINDOW", 0 },
    { LIVECOLOR, L"LIVECOLOR", 0x00FF00FF },   // magenta COLORREF
    { LIVEDISPLAY, L"LIVEDISPLAY", 1 },
    { LIVEFORMAT, L"LIVEFORMAT", 1 },   // grey
    { LIVEFRAMERATE, L"LIVEFRAMERATE", 25 },
    { LIVEFRAMECOUNT, L"LIVEFRAMECOUNT", 0 },       // read-only; each connection answers its own
    { LIVECALLCOUNT, L"LIVECALLCOUNT", 0 },         // read-only, as LIVEFRAMECOUNT
    { LIVEPENDINGCOUNT, L"LIVEPENDINGCOUNT", 0 },   // read-only, as LIVEFRAMECOUNT
};

// Limits of the properties the simulator itself acts on: larger pictures would
// not fit through the marshaller in reasonable time or memory.
const LONG g_nMaxPictureSide = 4096;
const LONG g_nMaxFrameRate = 1000;
}

CSimPropertyStore::CSimPropertyStore()
{
    SetDefaults();
}

void CSimPropertyStore::SetDefaults()
{
    m_mapValues.clear();
    for (const SPropInfo& info : g_aProps)
        m_mapValues[info.nProp] = FormatInteger(info.nDefault);
}

std::wstring CSimPropertyStore::GetText(LONG nProp) const
{
    auto it = m_mapValues.find(nProp);
    return it == m_mapValues.end() ? std::wstring(L"0") : it->second;
}

LONG CSimPropertyStore::GetInteger(LONG nProp) const
{
    LONG nValue = 0;
    if (!ParseInteger(GetText(nProp), nValue))
        return 0;
    return nValue;
}

HRESULT CSimPropertyStore::SetText(LONG nProp, const std::wstring& strValue)
{
    if (strValue.size() > m_nMaxTextLength)
        return E_INVALIDARG;
    LONG nValue = 0;
    if (!ParseInteger(strValue, nValue))
        nValue = 0;
    if (!IsValidValue(nProp, nValue))
        return E_INVALIDARG;
    m_mapValues[nProp] = strValue;
    return S_OK;
}

HRESULT CSimPropertyStore::SetInteger(LONG nProp, LONG nValue)
{
    if (!IsValidValue(nProp, nValue))
        return E_INVALIDARG;
    m_mapValues[nProp] = FormatInteger(nValue);
    return S_OK;
}

bool CSimPropertyStore::IsValidValue(LONG nProp, LONG nValue)
{
    switch (nProp)
    {
    case PICTUREWIDTH:
    case PICTUREHEIGHT: return nValue >= 1 && nValue <= g_nMaxPictureSide;
    case LIVEFORMAT: return nValue == 0 || nValue == 1;
    case LIVEFRAMERATE: return nValue >= 1 && nValue <= g_nMaxFrameRate;
    default: return true;
    }
}

std::wstring CSimPropertyStore::GetName(LONG nProp)
{
    for (const SPropInfo& info : g_aProps)
    {
        if (info.nProp == nProp)
            return info.pszName;
    }
    return L"Property " + FormatInteger(nProp);
}

bool CSimPropertyStore::ParseInteger(const std::wstring& strText, LONG& nValue)
{
    size_t i = 0;
    const size_t n = strText.size();
    while (i < n && iswspace(strText[i]))
        ++i;
    bool bNegative = false;
    if (i < n && (strText[i] == L'+' || strText[i] == L'-'))
    {
        bNegative = strText[i] == L'-';
        ++i;
    }
    if (i >= n || strText[i] < L'0' || strText[i] > L'9')
        return false;
    // Accumulate in 64 bits; the limit is one past LONG_MAX for the negative side.
    const long long nLimit = bNegative ? 2147483648LL : 2147483647LL;
    long long nAccu = 0;
    while (i < n && strText[i] >= L'0' && strText[i] <= L'9')
    {
        nAccu = nAccu * 10 + (strText[i] - L'0');
        if (nAccu > nLimit)
            return false;
        ++i;
    }
    while (i < n && iswspace(strText[i]))
        ++i;
    if (i != n)
        return false;
    nValue = static_cast<LONG>(bNegative ? -nAccu : nAccu);
    return true;
}

std::wstring CSimPropertyStore::FormatInteger(LONG nValue)
{
    return std::to_wstring(nValue);
}
