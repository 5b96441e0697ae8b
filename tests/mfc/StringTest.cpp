#include <gtest/gtest.h>
#include "MfcTestSupport.h"
#include "ext/MfcTestExt.h"

TEST(CStringFormat, UsesMsvcConversionsAndAnyLength)
{
    CString str;
    str.Format(L"%d|%s|%S|%08x|%X|%c|%ld|%I64d|%u|%%|%.1f|%5s|%-3d|%p", -42, L"wide", "narrow", 0x80004005u, 0xBEEFu,
               L'Z', 123456L, -9000000000LL, 4000000000u, 3.14159, L"ab", 7, reinterpret_cast<void*>(0x1234));
    EXPECT_STREQ(L"-42|wide|narrow|80004005|BEEF|Z|123456|-9000000000|4000000000|%|3.1|   ab|7  |0000000000001234",
                 str);

    str.Format(L"<%s>%6000d", CString(L'x', 5000).GetString(), 1);
    ASSERT_EQ(11002, str.GetLength());
    EXPECT_EQ(L'>', str[5001]);
    EXPECT_EQ(L'1', str[11001]);

    str = L"id=";
    str.AppendFormat(L"%d;", 17);
    str.Format(L"<%s|%s>", str.GetString(), str.GetString());   // its own text as argument
    EXPECT_STREQ(L"<id=17;|id=17;>", str);
}

TEST(CStringCompare, NoCaseFoldsToLowerAndOperatorsAreOrdinal)
{
    // clang-format off
	struct { LPCWSTR pszA; LPCWSTR pszB; int nSign; } rows[] = {
		{ L"TRUE", L"true", 0 }, { L"apple", L"BANANA", -1 }, { L"Banana", L"apple", 1 },
		{ L"[", L"A", -1 },      // '[' lies between the cases: folding is to lower case
		{ L"ab", L"ABC", -1 },
	};
    // clang-format on
    for (const auto& row : rows)
    {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(row.pszA)));
        int nResult = CString(row.pszA).CompareNoCase(row.pszB);
        EXPECT_EQ(row.nSign, (nResult > 0) - (nResult < 0));
    }
    CString strA(L"a");
    EXPECT_TRUE(strA > CString(L"B"));
    EXPECT_TRUE(L"B" < strA);
    EXPECT_TRUE(L"a" == strA);
    EXPECT_TRUE(strA != L"A");
}

TEST(CStringBstr, EmbeddedNulsSurviveAllocSysStringButNotBstrInput)
{
    CString str(L"x\0yz", 4);
    BSTR bstr = str.AllocSysString();
    ASSERT_NE(nullptr, bstr);
    EXPECT_EQ(4u, ::SysStringLen(bstr));
    EXPECT_EQ(0, memcmp(bstr, L"x\0yz", 5 * sizeof(wchar_t)));
    ::SysFreeString(bstr);

    bstr = CString().AllocSysString();
    ASSERT_NE(nullptr, bstr);
    EXPECT_EQ(0u, ::SysStringLen(bstr));
    ::SysFreeString(bstr);

    bstr = ::SysAllocString(L"old contents");
    EXPECT_EQ(bstr, CString(L"new").SetSysString(&bstr));
    EXPECT_EQ(3u, ::SysStringLen(bstr));
    EXPECT_STREQ(L"new", bstr);
    ::SysFreeString(bstr);

    bstr = ::SysAllocStringLen(L"ab\0cd", 5);
    EXPECT_STREQ(L"ab", CString(bstr));   // a BSTR is read up to its terminator
    ::SysFreeString(bstr);
    EXPECT_TRUE(CString(static_cast<LPCSTR>(nullptr)).IsEmpty());
    EXPECT_STREQ(L"narrow text", CString("narrow text"));
}

TEST(CStringEdit, AppendsItselfGrowsAndReleasesBuffers)
{
    CString str(L"ab");
    str += str;
    str += L'!';
    str += str.GetString() + 2;   // a part of itself
    EXPECT_STREQ(L"abab!ab!", str);
    EXPECT_STREQ(L"eabab!ab!", L'e' + str);

    wcscpy_s(str.GetBuffer(10), 10, L"hello");
    str.ReleaseBuffer();
    EXPECT_EQ(5, str.GetLength());
    EXPECT_STREQ(L"hello", str.GetBuffer(2));   // never shrinks below the content
    str.ReleaseBuffer(2);
    EXPECT_STREQ(L"he", str);
}

TEST(CStringEdit, ExtractSearchAndModifyClampTheirArguments)
{
    CString str(L"abcdef");
    EXPECT_STREQ(L"", str.Left(-5));
    EXPECT_STREQ(L"abcdef", str.Left(100));
    EXPECT_STREQ(L"abcdef", str.Right(100));
    EXPECT_STREQ(L"ab", str.Mid(-1, 2));
    EXPECT_STREQ(L"", str.Mid(10));
    EXPECT_STREQ(L"f", str.Mid(5, 10));

    CString strFind(L"one two one");
    EXPECT_EQ(-1, strFind.Find(L'o', 11));
    EXPECT_EQ(8, strFind.Find(L"one", 1));
    EXPECT_EQ(-1, strFind.Find(L"one", -1));

    CString strEdit(L"a-b-c");
    EXPECT_EQ(2, strEdit.Replace(L"-", L"<->"));
    EXPECT_EQ(2, strEdit.Replace(L"<->", nullptr));
    EXPECT_EQ(0, strEdit.Replace(L"", L"x"));
    EXPECT_EQ(6, strEdit.Insert(100, L"!!!"));
    EXPECT_EQ(2, strEdit.Delete(2, 100));
    EXPECT_STREQ(L"ab", strEdit);
    EXPECT_STREQ(L"text", CString(L" \t text \r\n").Trim());

    // The terminator may be read; beyond it is an OLE error, as in ATL.
    EXPECT_EQ(L'\0', str.GetAt(6));
    EXPECT_EQ(E_INVALIDARG, OleErrorOf([&] { str.GetAt(7); }));
    EXPECT_EQ(E_INVALIDARG, OleErrorOf([&] { str.GetAt(-1); }));
    EXPECT_EQ(E_INVALIDARG, OleErrorOf([&] { str.SetAt(6, L'x'); }));
}

TEST(CStringModules, StringsCrossModuleBoundaries)
{
    CString str = ExtRepeat(L"ab", 3000);   // allocated there, grown and freed here
    ASSERT_EQ(6000, str.GetLength());
    str += L"tail";
    ExtAppend(str, L"!");   // allocated here, grown there
    EXPECT_STREQ(L"tail!", str.Right(5));
}
