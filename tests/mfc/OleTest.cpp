#include <afxdisp.h>
#include <gtest/gtest.h>
#include "TestMallocSpy.h"

namespace
{
template<class Func>
CException* CatchException(Func func)
{
	try
	{
		func();
	}
	catch (CException* e)
	{
		return e;
	}
	return NULL;
}

SCODE OleErrorOf(CException* e)
{
	SCODE sc = (e != NULL && e->IsKindOf(RUNTIME_CLASS(COleException)))
		? static_cast<COleException*>(e)->m_sc : S_OK;
	if (e != NULL)
		e->Delete();
	return sc;
}

} // namespace

TEST(COleSafeArrayTest, EmptyOneDimArray)
{
	COleSafeArray sa;
	sa.CreateOneDim(VT_I4, 0);
	EXPECT_EQ(VT_ARRAY | VT_I4, sa.vt);
	EXPECT_EQ(1u, sa.GetDim());
	long nLBound = 99, nUBound = 99;
	sa.GetLBound(1, &nLBound);
	sa.GetUBound(1, &nUBound);
	EXPECT_EQ(0, nLBound);
	EXPECT_EQ(-1, nUBound);
	EXPECT_EQ(0u, sa.GetOneDimSize());
	long nIndex = 0;
	long nValue = 0;
	EXPECT_EQ(DISP_E_BADINDEX, OleErrorOf(CatchException([&] { sa.GetElement(&nIndex, &nValue); })));
}

TEST(COleSafeArrayTest, ElementsAndBounds)
{
	const long rgnSource[5] = { 10, 20, 30, 40, 50 };
	COleSafeArray sa;
	sa.CreateOneDim(VT_I4, 5, rgnSource);
	EXPECT_EQ(5u, sa.GetOneDimSize());
	EXPECT_EQ(4u, sa.GetElemSize());
	long nIndex = 2, nValue = 42;
	sa.PutElement(&nIndex, &nValue);
	for (nIndex = 0; nIndex < 5; nIndex++)
	{
		sa.GetElement(&nIndex, &nValue);
		EXPECT_EQ(nIndex == 2 ? 42 : rgnSource[nIndex], nValue);
	}

	nIndex = 5;
	EXPECT_EQ(DISP_E_BADINDEX, OleErrorOf(CatchException([&] { sa.PutElement(&nIndex, &nValue); })));
	nIndex = -1;
	EXPECT_EQ(DISP_E_BADINDEX, OleErrorOf(CatchException([&] { sa.GetElement(&nIndex, &nValue); })));
	EXPECT_EQ(DISP_E_BADINDEX, OleErrorOf(CatchException([&] { long n; sa.GetUBound(2, &n); })));

	sa.ResizeOneDim(8);
	EXPECT_EQ(8u, sa.GetOneDimSize());
	long* pData = NULL;
	sa.AccessData(reinterpret_cast<void**>(&pData));
	EXPECT_EQ(42, pData[2]);
	EXPECT_EQ(50, pData[4]);
	EXPECT_EQ(0, pData[7]);
	sa.UnaccessData();

	COleSafeArray saBased;
	saBased.CreateOneDim(VT_UI1, 3, "abc", 1);
	long nLBound = 0;
	saBased.GetLBound(1, &nLBound);
	EXPECT_EQ(1, nLBound);
	nIndex = 3;
	BYTE nByte = 0;
	saBased.GetElement(&nIndex, &nByte);
	EXPECT_EQ('c', nByte);
	nIndex = 0;
	EXPECT_EQ(DISP_E_BADINDEX, OleErrorOf(CatchException([&] { saBased.GetElement(&nIndex, &nByte); })));
}

TEST(COleSafeArrayTest, LockingAndDestroy)
{
	COleSafeArray sa;
	DWORD rgElements[2] = { 2, 3 };
	sa.Create(VT_R8, 2, rgElements);
	EXPECT_EQ(2u, sa.GetDim());
	sa.Lock();
	EXPECT_EQ(DISP_E_ARRAYISLOCKED, OleErrorOf(CatchException([&] { sa.Destroy(); })));
	sa.Unlock();
	sa.Destroy();
	EXPECT_EQ(VT_EMPTY, sa.vt);
	sa.Clear();                           // nothing left to free
}

TEST(COleSafeArrayTest, DetachAttachAndCopy)
{
	COleSafeArray sa;
	sa.CreateOneDim(VT_BSTR, 2);
	long nIndex = 1;
	BSTR bstr = ::SysAllocString(L"second");
	sa.PutElement(&nIndex, bstr);         // stores a copy
	::SysFreeString(bstr);

	COleSafeArray saCopy(sa);
	EXPECT_NE(sa.parray, saCopy.parray);
	BSTR bstrOut = NULL;
	saCopy.GetElement(&nIndex, &bstrOut);
	EXPECT_STREQ(L"second", bstrOut);
	::SysFreeString(bstrOut);

	SAFEARRAY* psa = sa.parray;
	VARIANT var = sa.Detach();
	EXPECT_EQ(VT_EMPTY, sa.vt);
	EXPECT_EQ(VT_ARRAY | VT_BSTR, var.vt);
	EXPECT_EQ(psa, var.parray);

	COleSafeArray saOwner;
	saOwner.Attach(var);
	EXPECT_EQ(VT_EMPTY, var.vt);
	EXPECT_EQ(psa, saOwner.parray);
	EXPECT_EQ(2u, saOwner.GetOneDimSize());

	VARIANT varNumber;
	varNumber.vt = VT_I4;
	varNumber.lVal = 1;
	CException* e = CatchException([&] { saOwner.Attach(varNumber); });
	ASSERT_NE(nullptr, e);
	EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CInvalidArgException)));
	EXPECT_EQ(psa, saOwner.parray);       // unchanged
}

TEST(COleVariantTest, ConstructorsSetTheType)
{
	COleVariant varString(L"text");
	EXPECT_EQ(VT_BSTR, varString.vt);
	EXPECT_STREQ(L"text", varString.bstrVal);
	EXPECT_EQ(4u, ::SysStringLen(varString.bstrVal));
	CString str(L"from CString");
	COleVariant varCString(str);
	EXPECT_STREQ(L"from CString", varCString.bstrVal);
	COleVariant varNull(static_cast<LPCTSTR>(NULL));
	EXPECT_EQ(VT_BSTR, varNull.vt);
	EXPECT_EQ(nullptr, varNull.bstrVal);

	COleVariant varByte(static_cast<BYTE>(200));
	EXPECT_EQ(VT_UI1, varByte.vt);
	EXPECT_EQ(200, varByte.bVal);
	COleVariant varShort(static_cast<short>(-5));
	EXPECT_EQ(VT_I2, varShort.vt);
	EXPECT_EQ(-5, varShort.iVal);
	COleVariant varBool(static_cast<short>(3), VT_BOOL);
	EXPECT_EQ(VT_BOOL, varBool.vt);
	EXPECT_EQ(VARIANT_TRUE, varBool.boolVal);
	COleVariant varLong(123456L);
	EXPECT_EQ(VT_I4, varLong.vt);
	EXPECT_EQ(123456, varLong.lVal);
	COleVariant varError(static_cast<long>(DISP_E_PARAMNOTFOUND), VT_ERROR);
	EXPECT_EQ(VT_ERROR, varError.vt);
	EXPECT_EQ(DISP_E_PARAMNOTFOUND, varError.scode);
	COleVariant varFalse(0L, VT_BOOL);
	EXPECT_EQ(VARIANT_FALSE, varFalse.boolVal);
	COleVariant varFloat(1.5f);
	EXPECT_EQ(VT_R4, varFloat.vt);
	EXPECT_EQ(1.5f, varFloat.fltVal);
	COleVariant varDouble(2.25);
	EXPECT_EQ(VT_R8, varDouble.vt);
	EXPECT_EQ(2.25, varDouble.dblVal);
	EXPECT_EQ(VT_EMPTY, COleVariant().vt);
}

TEST(COleVariantTest, CopyAssignConvertTransfer)
{
	COleVariant var(L"42");
	COleVariant varCopy(var);
	EXPECT_NE(var.bstrVal, varCopy.bstrVal);      // a deep copy
	EXPECT_STREQ(L"42", varCopy.bstrVal);

	varCopy.ChangeType(VT_I4);
	EXPECT_EQ(VT_I4, varCopy.vt);
	EXPECT_EQ(42, varCopy.lVal);
	COleVariant varText(L"abc");
	EXPECT_EQ(DISP_E_TYPEMISMATCH, OleErrorOf(CatchException([&] { varText.ChangeType(VT_I4); })));
	EXPECT_EQ(VT_BSTR, varText.vt);

	var = 7L;                             // releases the string
	EXPECT_EQ(VT_I4, var.vt);
	EXPECT_EQ(7, var.lVal);
	var = L"again";
	EXPECT_STREQ(L"again", var.bstrVal);
	var = varCopy;
	EXPECT_EQ(VT_I4, var.vt);

	COleVariant varOwner(L"owned");
	BSTR bstr = varOwner.bstrVal;
	VARIANT varRaw = varOwner.Detach();
	EXPECT_EQ(VT_EMPTY, varOwner.vt);
	EXPECT_EQ(bstr, varRaw.bstrVal);
	COleVariant varNewOwner;
	varNewOwner.Attach(varRaw);
	EXPECT_EQ(VT_EMPTY, varRaw.vt);
	EXPECT_EQ(bstr, varNewOwner.bstrVal);
	LPCVARIANT pConst = varNewOwner;
	EXPECT_EQ(static_cast<LPCVARIANT>(&varNewOwner), pConst);
}

TEST(COleLeaks, VariantsAndArraysFreeEverything)
{
	CTestMallocSpy spy;
	ASSERT_TRUE(spy.Register());
	BSTR bstrProbe = ::SysAllocString(L"probe");    // the spy must see BSTRs
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
		sa.Attach(varArray);              // frees the first array
		COleVariant varHoldsArray(static_cast<LPCVARIANT>(sa));
		try
		{
			long nIndex = 9;
			sa.PutElement(&nIndex, var.bstrVal);
		}
		catch (CException* e)
		{
			e->Delete();
		}
	}
	EXPECT_EQ(0, spy.Living());
}
