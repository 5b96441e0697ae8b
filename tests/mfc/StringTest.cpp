#include <gtest/gtest.h>
#include <afxdisp.h>
#include "ext/MfcTestExt.h"

namespace
{
// Expects the call to throw COleException* with the given code.
template<class Func>
void ExpectOleError(SCODE scExpected, Func func)
{
	try
	{
		func();
		ADD_FAILURE() << "no exception";
	}
	catch (CException* e)
	{
		ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(COleException)));
		EXPECT_EQ(scExpected, static_cast<COleException*>(e)->m_sc);
		e->Delete();
	}
}
} // namespace

TEST(CStringFormat, UsesMsvcConversionsInWideFormats)
{
	CString str;
	str.Format(L"%d|%s|%S|%08x|%X|%c|%ld|%I64d|%u|%%", -42, L"wide", "narrow",
		0x80004005u, 0xBEEFu, L'Z', 123456L, -9000000000LL, 4000000000u);
	EXPECT_STREQ(L"-42|wide|narrow|80004005|BEEF|Z|123456|-9000000000|4000000000|%", str);

	str.Format(L"[%08x] [%.1f] [%5s] [%-3d]", 0x1Fu, 3.14159, L"ab", 7);
	EXPECT_STREQ(L"[0000001f] [3.1] [   ab] [7  ]", str);

	str.Format(L"%p", reinterpret_cast<void*>(0x1234));
	EXPECT_STREQ(L"0000000000001234", str);
}

TEST(CStringFormat, ProducesArbitrarilyLongResults)
{
	CString strUnit(L'x', 5000);
	CString str;
	str.Format(L"<%s>%6000d", strUnit.GetString(), 1);
	ASSERT_EQ(5002 + 6000, str.GetLength());
	EXPECT_EQ(L'<', str[0]);
	EXPECT_EQ(L'x', str[5000]);
	EXPECT_EQ(L'>', str[5001]);
	EXPECT_EQ(L' ', str[5002]);
	EXPECT_EQ(L'1', str[11001]);
	EXPECT_EQ(L'\0', str[11002]);
}

TEST(CStringFormat, AppendsAndAcceptsItsOwnText)
{
	CString str(L"id=");
	str.AppendFormat(L"%d;", 17);
	str.AppendFormat(L"name=%s", L"cam");
	EXPECT_STREQ(L"id=17;name=cam", str);

	// The argument points into the string being replaced.
	str.Format(L"<%s|%s>", str.GetString(), str.GetString());
	EXPECT_STREQ(L"<id=17;name=cam|id=17;name=cam>", str);
}

TEST(CStringCompare, CompareNoCaseFollowsLowerCaseOrder)
{
	EXPECT_EQ(0, CString(L"TRUE").CompareNoCase(L"true"));
	EXPECT_LT(CString(L"apple").CompareNoCase(L"BANANA"), 0);
	EXPECT_GT(CString(L"Banana").CompareNoCase(L"apple"), 0);
	// '[' sorts between the upper- and lower-case letters: the comparison must
	// fold to lower case, as _wcsicmp does.
	EXPECT_LT(CString(L"[").CompareNoCase(L"A"), 0);
	EXPECT_LT(CString(L"ab").CompareNoCase(L"ABC"), 0);
}

TEST(CStringCompare, OperatorsAreOrdinalBothWays)
{
	CString strA(L"a"), strB(L"B");
	EXPECT_TRUE(strA > strB);             // 'a' (0x61) after 'B' (0x42)
	EXPECT_TRUE(L"B" < strA);
	EXPECT_TRUE(strA == L"a");
	EXPECT_TRUE(L"a" == strA);
	EXPECT_TRUE(strA != L"A");
	EXPECT_TRUE(strA <= CString(L"a"));
	EXPECT_TRUE(L"b" >= strA);
	EXPECT_FALSE(strA < L"a");
	EXPECT_EQ(0, strA.Compare(L"a"));
}

TEST(CStringConstruct, NullNarrowAndCounted)
{
	EXPECT_TRUE(CString(static_cast<LPCWSTR>(NULL)).IsEmpty());
	EXPECT_TRUE(CString(static_cast<LPCSTR>(NULL)).IsEmpty());
	EXPECT_STREQ(L"narrow text", CString("narrow text"));
	CString str;
	str = "assigned";
	EXPECT_STREQ(L"assigned", str);
	EXPECT_STREQ(L"---", CString(L'-', 3));
	EXPECT_TRUE(CString(L'-', 0).IsEmpty());

	CString strCounted(L"a\0b", 3);       // embedded terminator kept
	EXPECT_EQ(3, strCounted.GetLength());
	EXPECT_EQ(L'b', strCounted.GetAt(2));
	EXPECT_EQ(sizeof(void*), sizeof(CString));
}

TEST(CStringConstruct, FromBstrCopiesUpToTheTerminator)
{
	BSTR bstr = ::SysAllocStringLen(L"ab\0cd", 5);
	CString str(bstr);
	::SysFreeString(bstr);
	EXPECT_EQ(2, str.GetLength());
	EXPECT_STREQ(L"ab", str);
}

TEST(CStringBstr, AllocSysStringRoundTrip)
{
	CString str(L"x\0yz", 4);
	BSTR bstr = str.AllocSysString();
	ASSERT_NE(nullptr, bstr);
	EXPECT_EQ(4u, ::SysStringLen(bstr));
	EXPECT_EQ(0, memcmp(bstr, L"x\0yz", 5 * sizeof(wchar_t)));
	::SysFreeString(bstr);

	BSTR bstrEmpty = CString().AllocSysString();
	ASSERT_NE(nullptr, bstrEmpty);
	EXPECT_EQ(0u, ::SysStringLen(bstrEmpty));
	::SysFreeString(bstrEmpty);

	BSTR bstrTarget = ::SysAllocString(L"old contents");
	EXPECT_EQ(bstrTarget, CString(L"new").SetSysString(&bstrTarget));
	EXPECT_STREQ(L"new", bstrTarget);
	EXPECT_EQ(3u, ::SysStringLen(bstrTarget));
	::SysFreeString(bstrTarget);
}

TEST(CStringConcat, AllCombinations)
{
	CString str(L"ab");
	LPCWSTR psz = L"cd";
	EXPECT_STREQ(L"abab", str + str);
	EXPECT_STREQ(L"abcd", str + psz);
	EXPECT_STREQ(L"cdab", psz + str);
	EXPECT_STREQ(L"abe", str + L'e');
	EXPECT_STREQ(L"eab", L'e' + str);
	str += str;
	str += psz;
	str += L'!';
	EXPECT_STREQ(L"ababcd!", str);
	str += str.GetString() + 2;           // appending a part of itself
	EXPECT_STREQ(L"ababcd!abcd!", str);
}

TEST(CStringConcat, GrowsOneCharacterAtATime)
{
	CString str;
	for (int i = 0; i < 20000; i++)
		str += static_cast<wchar_t>(L'a' + i % 26);
	ASSERT_EQ(20000, str.GetLength());
	EXPECT_EQ(L'a', str[0]);
	EXPECT_EQ(static_cast<wchar_t>(L'a' + 19999 % 26), str[19999]);
	EXPECT_EQ(20000, static_cast<int>(wcslen(str)));
}

TEST(CStringBuffer, GetBufferAndReleaseBuffer)
{
	CString str(L"abc");
	LPWSTR psz = str.GetBuffer(10);
	wcscpy(psz, L"hello");
	str.ReleaseBuffer();
	EXPECT_EQ(5, str.GetLength());
	EXPECT_STREQ(L"hello", str);

	psz = str.GetBuffer(2);               // never shrinks below the content
	EXPECT_STREQ(L"hello", psz);
	str.ReleaseBuffer(2);
	EXPECT_STREQ(L"he", str);

	CString strEmpty;
	psz = strEmpty.GetBufferSetLength(3);
	wmemcpy(psz, L"xyz", 3);
	EXPECT_EQ(3, strEmpty.GetLength());
	EXPECT_STREQ(L"xyz", strEmpty);

	CString strModule;
	DWORD nLength = ::GetModuleFileName(NULL, strModule.GetBuffer(MAX_PATH), MAX_PATH);
	strModule.ReleaseBuffer();
	EXPECT_EQ(static_cast<int>(nLength), strModule.GetLength());
}

TEST(CStringAccess, BoundsAreCheckedLikeAtl)
{
	CString str(L"abc");
	EXPECT_EQ(L'\0', str.GetAt(3));       // the terminator may be read
	ExpectOleError(E_INVALIDARG, [&] { str.GetAt(4); });
	ExpectOleError(E_INVALIDARG, [&] { str.GetAt(-1); });
	ExpectOleError(E_INVALIDARG, [&] { str.SetAt(3, L'x'); });
	str.SetAt(1, L'X');
	EXPECT_STREQ(L"aXc", str);
}

TEST(CStringExtract, OutOfRangeRequestsAreClamped)
{
	CString str(L"abcdef");
	EXPECT_STREQ(L"ab", str.Left(2));
	EXPECT_STREQ(L"", str.Left(-5));
	EXPECT_STREQ(L"abcdef", str.Left(100));
	EXPECT_STREQ(L"ef", str.Right(2));
	EXPECT_STREQ(L"abcdef", str.Right(100));
	EXPECT_STREQ(L"cd", str.Mid(2, 2));
	EXPECT_STREQ(L"cdef", str.Mid(2));
	EXPECT_STREQ(L"ab", str.Mid(-1, 2));
	EXPECT_STREQ(L"", str.Mid(10));
	EXPECT_STREQ(L"f", str.Mid(5, 10));
}

TEST(CStringSearch, FindAndReverseFind)
{
	CString str(L"one two one");
	EXPECT_EQ(0, str.Find(L'o'));
	EXPECT_EQ(6, str.Find(L'o', 1));
	EXPECT_EQ(-1, str.Find(L'o', 11));
	EXPECT_EQ(8, str.Find(L"one", 1));
	EXPECT_EQ(-1, str.Find(L"three"));
	EXPECT_EQ(-1, str.Find(L"one", -1));
	EXPECT_EQ(10, str.ReverseFind(L'e'));
	EXPECT_EQ(-1, str.ReverseFind(L'z'));
}

TEST(CStringModify, ReplaceInsertDeleteTrimCase)
{
	CString str(L"a-b-c");
	EXPECT_EQ(2, str.Replace(L'-', L'+'));
	EXPECT_STREQ(L"a+b+c", str);
	EXPECT_EQ(2, str.Replace(L"+", L"<->"));
	EXPECT_STREQ(L"a<->b<->c", str);
	EXPECT_EQ(2, str.Replace(L"<->", NULL));
	EXPECT_STREQ(L"abc", str);
	EXPECT_EQ(0, str.Replace(L"", L"x"));

	EXPECT_EQ(5, str.Insert(1, L"XY"));
	EXPECT_STREQ(L"aXYbc", str);
	EXPECT_EQ(6, str.Insert(100, L'!'));
	EXPECT_STREQ(L"aXYbc!", str);
	EXPECT_EQ(4, str.Delete(1, 2));
	EXPECT_STREQ(L"abc!", str);
	EXPECT_EQ(2, str.Delete(2, 100));
	EXPECT_STREQ(L"ab", str);

	CString strPadded(L" \t text \r\n");
	EXPECT_STREQ(L"text", strPadded.Trim());
	CString strMarked(L"xx-mid-xy");
	EXPECT_STREQ(L"-mid-xy", CString(strMarked).TrimLeft(L'x'));
	EXPECT_STREQ(L"xx-mid-", CString(strMarked).TrimRight(L"xy"));
	EXPECT_STREQ(L"MIXED 1", CString(L"MiXed 1").MakeUpper());
	EXPECT_STREQ(L"mixed 1", CString(L"MiXed 1").MakeLower());
}

TEST(CStringModules, StringsCrossModuleBoundaries)
{
	// Allocated in the extension library, grown here, released here.
	CString str = ExtRepeat(L"ab", 3000);
	ASSERT_EQ(6000, str.GetLength());
	str += L"tail";
	// Allocated here, grown and released in the extension library.
	ExtAppend(str, L"!");
	EXPECT_EQ(6005, str.GetLength());
	EXPECT_STREQ(L"tail!", str.Right(5));
}

TEST(CStringThreads, DistinctObjectsOnDistinctThreads)
{
	struct CWorker
	{
		static DWORD WINAPI Run(LPVOID pParam)
		{
			CString strShared = *static_cast<CString*>(pParam);   // copied once per thread
			for (int i = 0; i < 20000; i++)
			{
				CString str;
				str.Format(L"%s-%d", strShared.GetString(), i);
				CString strCopy = str;
				strCopy += L"!";
				if (strCopy.Left(strShared.GetLength()) != strShared || strCopy.GetLength() != str.GetLength() + 1)
					return 1;
			}
			return 0;
		}
	};
	CString strSeed(L"seed");
	HANDLE rghThreads[2];
	for (HANDLE& hThread : rghThreads)
		hThread = ::CreateThread(NULL, 0, &CWorker::Run, &strSeed, 0, NULL);
	ASSERT_EQ(WAIT_OBJECT_0, ::WaitForMultipleObjects(2, rghThreads, TRUE, 60000));
	for (HANDLE hThread : rghThreads)
	{
		DWORD dwExitCode = 99;
		::GetExitCodeThread(hThread, &dwExitCode);
		EXPECT_EQ(0u, dwExitCode);
		::CloseHandle(hThread);
	}
}
