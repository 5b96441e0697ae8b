// Property values of the simulated camera, keyed by property number.
// Not thread-safe by itself: CSimCameraState guards it with its lock.
#pragma once

#include <windows.h>
#include <map>
#include <string>

class CSimPropertyStore
{
public:
    CSimPropertyStore();

    // Every number is valid; a number never written reads as "0".
    std::wstring GetText(LONG nProp) const;
    LONG GetInteger(LONG nProp) const;

    // Both fail with E_INVALIDARG (store unchanged) when the value is out of
    // range for one of the simulator's own properties.
    HRESULT SetText(LONG nProp, const std::wstring& strValue);
    HRESULT SetInteger(LONG nProp, LONG nValue);

    // Back to the values a freshly started server has.
    void SetDefaults();

    // "LIVEWIDTH" for named numbers, "Property <n>" otherwise.
    static std::wstring GetName(LONG nProp);

    // Whole decimal 32-bit number with optional blanks around and a sign;
    // anything else gives false.
    static bool ParseInteger(const std::wstring& strText, LONG& nValue);
    static std::wstring FormatInteger(LONG nValue);

    // Longest text accepted for one value.
    static const size_t m_nMaxTextLength = 65536;

private:
    static bool IsValidValue(LONG nProp, LONG nValue);

    std::map<LONG, std::wstring> m_mapValues;
};
