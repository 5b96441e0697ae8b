// The property store: text and integer access, conversions, names, limits.
#include "SimTestSupport.h"

namespace
{
// Numbers no other test writes.
const tagEMVP g_eFreeText = static_cast<tagEMVP>(7001);
const tagEMVP g_eFreeInt = static_cast<tagEMVP>(7002);
const tagEMVP g_eNeverWritten = static_cast<tagEMVP>(7999);

VARIANT MakeVariant(VARTYPE vt)
{
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = vt;
    return v;
}
}

TEST_F(CSimTest, TextRoundTripsAndReadsAsIntegerWhenDecimal)
{
    CTestBstr bstrName(L"Ünïcode owner 42");
    ASSERT_EQ(S_OK, m_pCamera->SetPropValue(g_eFreeText, bstrName.Get()));
    EXPECT_EQ(L"Ünïcode owner 42", GetPropText(g_eFreeText));
    EXPECT_EQ(0, GetPropLong(g_eFreeText)) << "text that is not a number reads as 0";

    const struct { const wchar_t* pszText; LONG nExpected; } aCases[] = {
        { L"123", 123 },
        { L"  -17 ", -17 },
        { L"+5", 5 },
        { L"2147483647", 2147483647 },
        { L"-2147483648", -2147483647 - 1 },
        { L"2147483648", 0 },     // out of range
        { L"12abc", 0 },
        { L"TRUE", 0 },
        { L"0x10", 0 },
        { L"", 0 },
        { L"-", 0 },
    };
    for (const auto& c : aCases)
    {
        CTestBstr bstr(c.pszText);
        ASSERT_EQ(S_OK, m_pCamera->SetPropValue(g_eFreeText, bstr.Get()));
        EXPECT_EQ(c.nExpected, GetPropLong(g_eFreeText)) << "text \"" << testing::PrintToString(std::wstring(c.pszText)) << "\"";
        EXPECT_EQ(std::wstring(c.pszText), GetPropText(g_eFreeText)) << "text is kept as written";
    }

    // A null BSTR is the empty text.
    ASSERT_EQ(S_OK, m_pCamera->SetPropValue(g_eFreeText, nullptr));
    EXPECT_EQ(L"", GetPropText(g_eFreeText));
}

TEST_F(CSimTest, IntegerRoundTripsAndReadsAsDecimalText)
{
    SetProp(g_eFreeInt, 0x00123456);
    EXPECT_EQ(0x00123456, GetPropLong(g_eFreeInt));
    EXPECT_EQ(L"1193046", GetPropText(g_eFreeInt));
    SetProp(g_eFreeInt, -2147483647 - 1);
    EXPECT_EQ(L"-2147483648", GetPropText(g_eFreeInt));

    // And back: text written, integer read, integer written, text read.
    CTestBstr bstr(L"-99");
    ASSERT_EQ(S_OK, m_pCamera->SetPropValue(g_eFreeInt, bstr.Get()));
    EXPECT_EQ(-99, GetPropLong(g_eFreeInt));
    SetProp(g_eFreeInt, GetPropLong(g_eFreeInt) * 2);
    EXPECT_EQ(L"-198", GetPropText(g_eFreeInt));
}

TEST_F(CSimTest, NumbersNeverWrittenReadAsZero)
{
    EXPECT_EQ(L"0", GetPropText(g_eNeverWritten));
    EXPECT_EQ(0, GetPropLong(g_eNeverWritten));
}

TEST_F(CSimTest, VariantsConvertToIntegers)
{
    VARIANT v = MakeVariant(VT_I2);
    V_I2(&v) = -300;
    ASSERT_EQ(S_OK, m_pCamera->SetPropVariant(g_eFreeInt, v));
    EXPECT_EQ(-300, GetPropLong(g_eFreeInt));

    v = MakeVariant(VT_R8);
    V_R8(&v) = 7.0;
    ASSERT_EQ(S_OK, m_pCamera->SetPropVariant(g_eFreeInt, v));
    EXPECT_EQ(7, GetPropLong(g_eFreeInt));

    v = MakeVariant(VT_UI1);
    V_UI1(&v) = 200;
    ASSERT_EQ(S_OK, m_pCamera->SetPropVariant(g_eFreeInt, v));
    EXPECT_EQ(200, GetPropLong(g_eFreeInt));

    // An unsigned 32-bit value keeps its bits: COLORREF-like values survive.
    v = MakeVariant(VT_UI4);
    V_UI4(&v) = 0xFF00FF00u;
    ASSERT_EQ(S_OK, m_pCamera->SetPropVariant(g_eFreeInt, v));
    EXPECT_EQ(static_cast<LONG>(0xFF00FF00u), GetPropLong(g_eFreeInt));
    EXPECT_EQ(L"-16711936", GetPropText(g_eFreeInt));

    CTestBstr bstrNumber(L"42");
    v = MakeVariant(VT_BSTR);
    V_BSTR(&v) = bstrNumber.Get();
    ASSERT_EQ(S_OK, m_pCamera->SetPropVariant(g_eFreeInt, v));
    EXPECT_EQ(42, GetPropLong(g_eFreeInt));
}

TEST_F(CSimTest, UnconvertibleVariantsAreRefusedAndChangeNothing)
{
    SetProp(g_eFreeInt, 11);

    CTestBstr bstrWord(L"eleven");
    VARIANT v = MakeVariant(VT_BSTR);
    V_BSTR(&v) = bstrWord.Get();
    EXPECT_EQ(DISP_E_TYPEMISMATCH, m_pCamera->SetPropVariant(g_eFreeInt, v));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, m_pCamera->SetPropVariant(g_eFreeInt, MakeVariant(VT_EMPTY)));
    EXPECT_EQ(DISP_E_TYPEMISMATCH, m_pCamera->SetPropVariant(g_eFreeInt, MakeVariant(VT_NULL)));
    v = MakeVariant(VT_DISPATCH);
    V_DISPATCH(&v) = nullptr;
    EXPECT_EQ(DISP_E_TYPEMISMATCH, m_pCamera->SetPropVariant(g_eFreeInt, v));

    v = MakeVariant(VT_I8);
    V_I8(&v) = 0x100000000LL;
    EXPECT_EQ(DISP_E_OVERFLOW, m_pCamera->SetPropVariant(g_eFreeInt, v));

    EXPECT_EQ(11, GetPropLong(g_eFreeInt));
}

TEST_F(CSimTest, SimulatorPropertiesAreCheckedWhenWritten)
{
    VARIANT v = MakeVariant(VT_I4);
    const struct { tagEMVP eProp; LONG nBad; LONG nGood; } aCases[] = {
        { PICTUREWIDTH, 0, 1 }, { PICTUREWIDTH, 4097, 4096 },
        { PICTUREHEIGHT, -1, 1 }, { PICTUREHEIGHT, 4097, 4096 },
        { LIVEFORMAT, 2, 0 }, { LIVEFORMAT, -1, 1 },
        { LIVEFRAMERATE, 0, 1 }, { LIVEFRAMERATE, 1001, 1000 },
    };
    for (const auto& c : aCases)
    {
        V_I4(&v) = c.nGood;
        ASSERT_EQ(S_OK, m_pCamera->SetPropVariant(c.eProp, v)) << c.eProp << " = " << c.nGood;
        V_I4(&v) = c.nBad;
        EXPECT_EQ(E_INVALIDARG, m_pCamera->SetPropVariant(c.eProp, v)) << c.eProp << " = " << c.nBad;
        EXPECT_EQ(c.nGood, GetPropLong(c.eProp));
    }
    CTestBstr bstrWord(L"wide");
    EXPECT_EQ(E_INVALIDARG, m_pCamera->SetPropValue(PICTUREWIDTH, bstrWord.Get()));
    CTestBstr bstrNumber(L" 320 ");
    EXPECT_EQ(S_OK, m_pCamera->SetPropValue(PICTUREWIDTH, bstrNumber.Get()));
    EXPECT_EQ(320, GetPropLong(PICTUREWIDTH));
}

TEST_F(CSimTest, NamesNamedPropertiesAndNumbersTheRest)
{
    const struct { LONG nProp; const wchar_t* pszName; } aCases[] = {
        { OWNER, L"OWNER" }, { CONTROLFLAGS, L"CONTROLFLAGS" }, { PICTUREWIDTH, L"PICTUREWIDTH" },
        { PICTUREHEIGHT, L"PICTUREHEIGHT" }, { LIVEWIDTH, L"LIVEWIDTH" }, { LIVEHEIGHT, L"LIVEHEIGHT" },
        { LIVELEFT, L"LIVELEFT" }, { LIVETOP, L"LIVETOP" }, { LIMITEDSIZE, L"LIMITEDSIZE" },
        { LIVEWINDOW, L"LIVEWINDOW" }, { LIVECOLOR, L"LIVECOLOR" }, { LIVEDISPLAY, L"LIVEDISPLAY" },
        { LIVEFORMAT, L"LIVEFORMAT" }, { LIVEFRAMERATE, L"LIVEFRAMERATE" },
        { LIVEFRAMECOUNT, L"LIVEFRAMECOUNT" },
        { 1, L"Property 1" }, { 51, L"Property 51" }, { -3, L"Property -3" },
    };
    for (const auto& c : aCases)
    {
        CTestBstr bstr;
        ASSERT_EQ(S_OK, m_pCamera->GetPropName(static_cast<tagEMVP>(c.nProp), &bstr));
        EXPECT_EQ(std::wstring(c.pszName), bstr.GetText()) << c.nProp;
    }
}
