#include "MfcTestSupport.h"
#include <gtest/gtest.h>
#include "TestMallocSpy.h"

TEST(COleSafeArrayTest, ElementsBoundsAndTheirErrors)
{
    long nIndex = 0, nValue = 42;
    const long rgnSource[5] = { 10, 20, 30, 40, 50 };
    COleSafeArray sa;
    sa.CreateOneDim(VT_I4, 5, rgnSource);
    EXPECT_EQ(5u, sa.GetOneDimSize());
    nIndex = 2;
    sa.PutElement(&nIndex, &nValue);
    for (nIndex = 0; nIndex < 5; nIndex++)
    {
        sa.GetElement(&nIndex, &nValue);
        EXPECT_EQ(nIndex == 2 ? 42 : rgnSource[nIndex], nValue);
    }
    EXPECT_EQ(DISP_E_BADINDEX, OleErrorOf([&] { sa.PutElement(&nIndex, &nValue); }));   // index 5
    nIndex = -1;
    EXPECT_EQ(DISP_E_BADINDEX, OleErrorOf([&] { sa.GetElement(&nIndex, &nValue); }));
    EXPECT_EQ(DISP_E_BADINDEX, OleErrorOf([&] {
                  long n;
                  sa.GetUBound(2, &n);
              }));

    sa.ResizeOneDim(8);
    EXPECT_EQ(8u, sa.GetOneDimSize());
    long* pData = nullptr;
    sa.AccessData(reinterpret_cast<void**>(&pData));
    EXPECT_EQ(50, pData[4]);
    EXPECT_EQ(0, pData[7]);
    sa.UnaccessData();
}

TEST(COleSafeArrayTest, CopyDetachAndAttachTransferOwnership)
{
    COleSafeArray sa;
    sa.CreateOneDim(VT_BSTR, 2);
    long nIndex = 1;
    BSTR bstr = ::SysAllocString(L"second");
    sa.PutElement(&nIndex, bstr);   // stores a copy
    ::SysFreeString(bstr);
    COleSafeArray saCopy(sa);
    EXPECT_NE(sa.parray, saCopy.parray);   // a deep copy

    SAFEARRAY* psa = sa.parray;
    VARIANT var = sa.Detach();
    EXPECT_EQ(VT_EMPTY, sa.vt);
    EXPECT_EQ(psa, var.parray);
    COleSafeArray saOwner;
    saOwner.Attach(var);
    EXPECT_EQ(VT_EMPTY, var.vt);
    EXPECT_EQ(psa, saOwner.parray);

    VARIANT varNumber;
    varNumber.vt = VT_I4;
    varNumber.lVal = 1;
    EXPECT_EQ(kNotOle, OleErrorOf([&] { saOwner.Attach(varNumber); }));   // CInvalidArgException
    EXPECT_EQ(psa, saOwner.parray);                                       // unchanged
}

TEST(COleVariantTest, ConstructorsConversionsAndTransfer)
{
    COleVariant varBool(static_cast<short>(3), VT_BOOL);   // any non-zero is VARIANT_TRUE
    EXPECT_EQ(VT_BOOL, varBool.vt);
    EXPECT_EQ(VARIANT_TRUE, varBool.boolVal);
    COleVariant varError(static_cast<long>(DISP_E_PARAMNOTFOUND), VT_ERROR);
    EXPECT_EQ(DISP_E_PARAMNOTFOUND, varError.scode);
    COleVariant varNull(static_cast<LPCTSTR>(nullptr));
    EXPECT_EQ(VT_BSTR, varNull.vt);
    EXPECT_EQ(nullptr, varNull.bstrVal);

    COleVariant var(CString(L"42"));
    COleVariant varCopy(var);
    EXPECT_NE(var.bstrVal, varCopy.bstrVal);   // a deep copy
    varCopy.ChangeType(VT_I4);
    EXPECT_EQ(42, varCopy.lVal);
    COleVariant varText(L"abc");
    EXPECT_EQ(DISP_E_TYPEMISMATCH, OleErrorOf([&] { varText.ChangeType(VT_I4); }));
    EXPECT_EQ(VT_BSTR, varText.vt);
    var = 7L;   // releases the string
    EXPECT_EQ(7, var.lVal);

    BSTR bstr = varText.bstrVal;
    VARIANT varRaw = varText.Detach();
    EXPECT_EQ(VT_EMPTY, varText.vt);
    COleVariant varNewOwner;
    varNewOwner.Attach(varRaw);
    EXPECT_EQ(VT_EMPTY, varRaw.vt);
    EXPECT_EQ(bstr, varNewOwner.bstrVal);
}

TEST(COleLeaks, VariantsAndArraysFreeEverything)
{
    CTestMallocSpy spy;
    ASSERT_TRUE(spy.Register());
    BSTR bstrProbe = ::SysAllocString(L"probe");   // the spy must see BSTRs
    EXPECT_EQ(1, spy.Living());
    ::SysFreeString(bstrProbe);
    ASSERT_EQ(0, spy.Living());
    for (int i = 0; i < 500; i++)
    {
        COleVariant var(L"payload");
        COleVariant varCopy(var);
        varCopy = static_cast<long>(i);
        varCopy.ChangeType(VT_BSTR);
        var = varCopy;
        VARIANT varRaw = var.Detach();
        var.Attach(varRaw);

        COleSafeArray sa;
        sa.CreateOneDim(VT_BSTR, 3);
        for (long nIndex = 0; nIndex < 3; nIndex++)
            sa.PutElement(&nIndex, var.bstrVal);
        COleSafeArray saCopy(sa);
        sa.ResizeOneDim(5);
        VARIANT varArray = saCopy.Detach();
        sa.Attach(varArray);   // frees the first array
        COleVariant varHoldsArray(static_cast<LPCVARIANT>(sa));
        long nIndex = 9;
        OleErrorOf([&] { sa.PutElement(&nIndex, var.bstrVal); });
    }
    EXPECT_EQ(0, spy.Living());
}
