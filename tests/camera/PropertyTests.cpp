// Properties: the live size copy and its caps, the live display mirror, texts
// of the failures, and the server's error state.
#include "CameraTestFixture.h"

// What the server gets and what the client reads back, as number and as text,
// with and without the caps; a refused write leaves the copy as it was. The
// client-drawn bit is the server's, shared by every client: a dimension this
// client never wrote is read from the server; with the bit clear, sizes go to
// the server uncapped and the copy stays.
TEST_F(CameraTest, LiveSizesAreCappedForTheServerButKeptInTheCopy)
{
    Script().SetIntProp(CONTROLFLAGS, KIVO_CLIENT_DRAWN_LIVE);
    Script().SetIntProp(LIVEWIDTH, 320);
    EXPECT_EQ(320, m_client.GetPropValueInt(LIVEWIDTH));
    // clang-format off
    const struct { bool bLimited, bText; tagEMVP eProp; int nValue; long nSent; } cases[] = {
        { true, false, LIVEWIDTH, 800, 676 },  { true, false, LIVEWIDTH, 676, 676 },
        { true, false, LIVEHEIGHT, 526, 525 }, { true, false, LIVEHEIGHT, 525, 525 },
        { true, true, LIVEWIDTH, 677, 676 },   { true, true, LIVEHEIGHT, 526, 525 },
        { true, true, LIVEHEIGHT, 525, 525 },  { false, false, LIVEWIDTH, 2000, 2000 },
        { false, true, LIVEHEIGHT, 1500, 1500 },
    };
    // clang-format on
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::Message() << c.eProp << " = " << c.nValue << (c.bText ? " as text" : ""));
        Script().SetIntProp(LIMITEDSIZE, c.bLimited ? 1 : 0);
        if (c.bText)
            m_client.SetPropValue(c.eProp, CString(std::to_wstring(c.nValue).c_str()));
        else
            m_client.SetPropValueInt(c.eProp, c.nValue);
        EXPECT_EQ(c.bText ? std::to_wstring(c.nSent) : L"", Script().GetCalls().back().strValue);
        EXPECT_EQ(c.bText ? 0 : c.nSent, Script().GetCalls().back().nValue);
        EXPECT_EQ(c.nValue, m_client.GetPropValueInt(c.eProp));
        EXPECT_EQ(std::to_wstring(c.nValue), std::wstring(m_client.GetPropValue(c.eProp)));
    }
    Script().SetIntProp(LIMITEDSIZE, 1);
    Script().SetResult("SetPropVariant", E_FAIL);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.SetPropValueInt(LIVEWIDTH, 800); }, CEXC_CALL_FAILED,
                                L"SetPropValueInt eProp=24, iVal=676:0x80004005"));
    Script().SetResult("SetPropValue", E_INVALIDARG);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.SetPropValue(LIVEHEIGHT, _T("900")); }, CEXC_INVALID_ARGUMENT,
                                L"SetPropValue eProp=25, sVal=525"));
    EXPECT_EQ(2000, m_client.GetPropValueInt(LIVEWIDTH));
    EXPECT_EQ(1500, m_client.GetPropValueInt(LIVEHEIGHT));

    Script().Reset();   // the bit clear
    Script().SetIntProp(LIMITEDSIZE, 1);
    m_client.SetPropValueInt(LIVEWIDTH, 800);
    EXPECT_EQ(800, Script().GetIntProp(LIVEWIDTH));
    EXPECT_EQ(800, m_client.GetPropValueInt(LIVEWIDTH));
    EXPECT_EQ(2000, m_client.CachedLiveSize(LIVEWIDTH));

    Script().SetPropResult(CONTROLFLAGS, E_ACCESSDENIED);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetPropValueInt(LIVEHEIGHT); }, CEXC_ACCESS_DENIED,
                                L"GetPropValueInt CONTROLFLAGS"));
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetPropValue(LIVEWIDTH); }, CEXC_ACCESS_DENIED,
                                L"GetPropValueInt CONTROLFLAGS"));
    // The setters ask for the bit with the plain getter's text.
    EXPECT_TRUE(
        ThrowsKivoError([&] { m_client.SetPropValueInt(LIVEWIDTH, 5); }, CEXC_ACCESS_DENIED, L"GetPropValueInt"));
}

// Successful writes to LIVEDISPLAY, as number or text, turn the mirror on or off.
TEST_F(CameraTest, LiveDisplayMirrorsSuccessfulWrites)
{
    // clang-format off
    const struct { const TCHAR* pszText; int nValue, bMirror; } writes[] = {
        { nullptr, 5, 1 }, { nullptr, 0, 0 }, { _T("tRuE"), 0, 1 }, { _T("1"), 0, 0 }, { _T("TRUE"), 0, 1 } };
    // clang-format on
    for (const auto& w : writes)
    {
        if (w.pszText != nullptr)
            m_client.SetPropValue(LIVEDISPLAY, w.pszText);
        else
            m_client.SetPropValueInt(LIVEDISPLAY, w.nValue);
        EXPECT_EQ(w.bMirror, m_client.Worker().IsLiveDisplayOn()) << &w - writes;
    }
    Script().SetResult("SetPropVariant", E_FAIL);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.SetPropValueInt(LIVEDISPLAY, 0); }, CEXC_CALL_FAILED,
                                L"SetPropValueInt eProp=47, iVal=0:0x80004005"));
    EXPECT_EQ(1, m_client.Worker().IsLiveDisplayOn());
}

// Texts keep every character, an embedded NUL included, both ways; null texts
// read empty; the error text is asked for only when wanted.
TEST_F(CameraTest, TextsRoundTripWhole)
{
    const std::wstring strText(L"Gain \x00e9\0 12", 10);
    m_client.SetPropValue(static_cast<tagEMVP>(77), CString(strText.data(), 10));
    EXPECT_EQ(strText, Script().GetTextProp(77));
    CString strRead = m_client.GetPropValue(static_cast<tagEMVP>(77));
    EXPECT_EQ(strText, std::wstring(strRead, strRead.GetLength()));
    EXPECT_EQ(L"Name 46", std::wstring(m_client.GetPropName(LIVECOLOR)));

    Script().SetError(42, strText);
    EXPECT_EQ(42, m_client.GetError(nullptr));
    EXPECT_EQ(0u, Script().CountCalls("GetErrorText"));
    EXPECT_EQ(42, m_client.GetError(&strRead));
    EXPECT_EQ(strText, std::wstring(strRead, strRead.GetLength()));
    Script().SetResult("GetErrorText", E_OUTOFMEMORY);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetError(&strRead); }, CEXC_OUT_OF_MEMORY, L"GetError"));

    Script().SetNullText(true);
    EXPECT_TRUE(m_client.GetPropValue(static_cast<tagEMVP>(77)).IsEmpty());
    EXPECT_TRUE(m_client.GetPropName(LIVECOLOR).IsEmpty());
}

// Names of tagEMVP to numbers and back, in any case, without a server call;
// anything else is no name.
TEST_F(CameraTest, PropertyNamesAreFoundWithoutTheServer)
{
    // clang-format off
    const struct { LPCTSTR pszName; tagEMVP eProp; } aNames[] = {
        { _T("OWNER"), OWNER }, { _T("CONTROLFLAGS"), CONTROLFLAGS }, { _T("PICTUREWIDTH"), PICTUREWIDTH },
        { _T("PICTUREHEIGHT"), PICTUREHEIGHT }, { _T("LIVEWIDTH"), LIVEWIDTH }, { _T("LIVEHEIGHT"), LIVEHEIGHT },
        { _T("LIVELEFT"), LIVELEFT }, { _T("LIVETOP"), LIVETOP }, { _T("LIMITEDSIZE"), LIMITEDSIZE },
        { _T("LIVEWINDOW"), LIVEWINDOW }, { _T("LIVECOLOR"), LIVECOLOR }, { _T("LIVEDISPLAY"), LIVEDISPLAY },
        { _T("LIVEFORMAT"), LIVEFORMAT }, { _T("LIVEFRAMERATE"), LIVEFRAMERATE },
        { _T("LIVEFRAMECOUNT"), LIVEFRAMECOUNT },
    };
    // clang-format on
    for (const auto& name : aNames)
    {
        tagEMVP eFound = MVP_FORCE_DWORD;
        EXPECT_TRUE(CKIVOClient::FindProperty(name.pszName, &eFound)) << name.pszName;
        EXPECT_EQ(name.eProp, eFound) << name.pszName;
        CString strLower(name.pszName);
        strLower.MakeLower();
        eFound = MVP_FORCE_DWORD;
        EXPECT_TRUE(CKIVOClient::FindProperty(strLower, &eFound) && eFound == name.eProp) << name.pszName;
        EXPECT_EQ(CString(name.pszName), CKIVOClient::GetPropertyEnumName(name.eProp));
    }
    for (LPCTSTR pszOther :
         { _T(""), _T("LIVEWIDTHS"), _T(" LIVEWIDTH"), _T("MVP_FORCE_DWORD"), _T("24"), static_cast<LPCTSTR>(nullptr) })
    {
        tagEMVP eFound = MVP_FORCE_DWORD;
        EXPECT_FALSE(CKIVOClient::FindProperty(pszOther, &eFound)) << (pszOther ? pszOther : _T("null"));
        EXPECT_EQ(MVP_FORCE_DWORD, eFound);
    }
    EXPECT_TRUE(CKIVOClient::GetPropertyEnumName(static_cast<tagEMVP>(23)).IsEmpty());
    EXPECT_TRUE(CKIVOClient::GetPropertyEnumName(MVP_FORCE_DWORD).IsEmpty());
    EXPECT_TRUE(Script().GetCalls().empty());
}
