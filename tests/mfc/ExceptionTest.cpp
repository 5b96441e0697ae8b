#include <gtest/gtest.h>
#include <afxdisp.h>
#include "ext/MfcTestExt.h"

namespace
{
// Does not override GetErrorMessage: shows the base behaviour.
class CCountedException : public CException
{
public:
	CCountedException() { }
	explicit CCountedException(BOOL bAutoDelete) : CException(bAutoDelete) { }
	virtual ~CCountedException() { s_nDestroyed++; }
	static int s_nDestroyed;
};
int CCountedException::s_nDestroyed = 0;

// Overrides only the const overload, as MFC's own exceptions do.
class CConstOnlyException : public CException
{
public:
	using CException::GetErrorMessage;
	virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = NULL) const
	{
		if (pnHelpContext != NULL)
			*pnHelpContext = 7;
		::lstrcpyn(lpszError, L"const text", (int)nMaxError);
		return TRUE;
	}
};

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
} // namespace

TEST(CExceptionDelete, MemoryExceptionIsStaticAndSurvivesDelete)
{
	CException* pFirst = CatchException([] { AfxThrowMemoryException(); });
	ASSERT_NE(nullptr, pFirst);
	EXPECT_TRUE(pFirst->IsKindOf(RUNTIME_CLASS(CMemoryException)));
	EXPECT_TRUE(pFirst->IsKindOf(RUNTIME_CLASS(CSimpleException)));
	EXPECT_FALSE(pFirst->m_bAutoDelete);
	for (int i = 0; i < 100; i++)
		pFirst->Delete();

	CException* pSecond = CatchException([] { AfxThrowMemoryException(); });
	EXPECT_EQ(pFirst, pSecond);
	pSecond->Delete();
	EXPECT_TRUE(pFirst->IsKindOf(RUNTIME_CLASS(CMemoryException)));   // still alive
}

TEST(CExceptionDelete, OnlyAutoDeletingObjectsAreFreed)
{
	CCountedException::s_nDestroyed = 0;
	CCountedException* pHeap = new CCountedException;
	EXPECT_TRUE(pHeap->m_bAutoDelete);
	pHeap->Delete();
	EXPECT_EQ(1, CCountedException::s_nDestroyed);

	{
		CCountedException onStack(FALSE);
		onStack.Delete();
		onStack.Delete();
		EXPECT_EQ(1, CCountedException::s_nDestroyed);
	}
	EXPECT_EQ(2, CCountedException::s_nDestroyed);
}

TEST(CExceptionMessage, BaseGivesNoMessage)
{
	CCountedException e(FALSE);
	wchar_t szBuffer[8];
	wmemset(szBuffer, L'x', 8);
	UINT nHelpContext = 55;
	EXPECT_FALSE(e.GetErrorMessage(szBuffer, 8, &nHelpContext));
	EXPECT_EQ(L'\0', szBuffer[0]);
	EXPECT_EQ(0u, nHelpContext);

	wmemset(szBuffer, L'x', 8);
	nHelpContext = 55;
	const CException& eConst = e;
	EXPECT_FALSE(eConst.GetErrorMessage(szBuffer, 0, &nHelpContext));
	EXPECT_EQ(L'x', szBuffer[0]);        // no room: untouched
	EXPECT_EQ(0u, nHelpContext);
}

TEST(CExceptionMessage, NonConstOverloadReachesConstOverride)
{
	CConstOnlyException e;
	CException* pException = &e;          // non-const: picks the non-const overload
	wchar_t szBuffer[32];
	UINT nHelpContext = 0;
	EXPECT_TRUE(pException->GetErrorMessage(szBuffer, 32, &nHelpContext));
	EXPECT_STREQ(L"const text", szBuffer);
	EXPECT_EQ(7u, nHelpContext);
}

TEST(CExceptionMessage, SimpleExceptionsCarryTheirText)
{
	CException* e = CatchException([] { AfxThrowMemoryException(); });
	wchar_t szBuffer[64];
	UINT nHelpContext = 55;
	EXPECT_TRUE(e->GetErrorMessage(szBuffer, 64, &nHelpContext));
	EXPECT_STREQ(L"Out of memory.", szBuffer);
	EXPECT_EQ(0u, nHelpContext);
	EXPECT_TRUE(e->GetErrorMessage(szBuffer, 4));
	EXPECT_STREQ(L"Out", szBuffer);      // truncated and terminated

	e = CatchException([] { AfxThrowInvalidArgException(); });
	EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CInvalidArgException)));
	EXPECT_FALSE(e->m_bAutoDelete);
	EXPECT_TRUE(e->GetErrorMessage(szBuffer, 64));
	EXPECT_STREQ(L"Encountered an improper argument.", szBuffer);

	e = CatchException([] { AfxThrowNotSupportedException(); });
	EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CNotSupportedException)));
	EXPECT_FALSE(e->m_bAutoDelete);

	// Created without a resource: no text, as in MFC.
	CMemoryException* pPlain = new CMemoryException;
	EXPECT_FALSE(pPlain->GetErrorMessage(szBuffer, 64));
	EXPECT_STREQ(L"", szBuffer);
	pPlain->Delete();
}

TEST(COleExceptionTest, ThrownOnTheHeapWithTheCode)
{
	CException* e = CatchException([] { AfxThrowOleException(E_ACCESSDENIED); });
	ASSERT_NE(nullptr, e);
	ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(COleException)));
	EXPECT_TRUE(e->m_bAutoDelete);
	EXPECT_EQ(E_ACCESSDENIED, static_cast<COleException*>(e)->m_sc);
	EXPECT_EQ(E_ACCESSDENIED, COleException::Process(e));
	wchar_t szBuffer[256];
	EXPECT_TRUE(e->GetErrorMessage(szBuffer, 256));   // the system's text
	EXPECT_NE(L'\0', szBuffer[0]);
	e->Delete();

	COleException unknown;
	unknown.m_sc = static_cast<SCODE>(0xA0123456);
	EXPECT_FALSE(unknown.GetErrorMessage(szBuffer, 256));
	EXPECT_STREQ(L"", szBuffer);
}

TEST(COleExceptionTest, ProcessMapsOtherExceptions)
{
	CException* e = CatchException([] { AfxThrowMemoryException(); });
	EXPECT_EQ(E_OUTOFMEMORY, COleException::Process(e));
	e = CatchException([] { AfxThrowNotSupportedException(); });
	EXPECT_EQ(E_NOTIMPL, COleException::Process(e));
	e = CatchException([] { AfxThrowInvalidArgException(); });
	EXPECT_EQ(E_UNEXPECTED, COleException::Process(e));
}

TEST(COleExceptionTest, CheckErrorThrowsOnlyForFailures)
{
	EXPECT_EQ(nullptr, CatchException([] { AfxCheckError(S_OK); AfxCheckError(S_FALSE); }));
	CException* e = CatchException([] { AfxCheckError(E_OUTOFMEMORY); });
	EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CMemoryException)));
	e = CatchException([] { AfxCheckError(E_FAIL); });
	ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(COleException)));
	EXPECT_EQ(E_FAIL, static_cast<COleException*>(e)->m_sc);
	e->Delete();
}

TEST(CExceptionModules, ThrownInAnExtensionLibraryCaughtHere)
{
	CException* e = CatchException([] { ExtThrowError(3); });
	ASSERT_NE(nullptr, e);
	ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(CExtError)));
	EXPECT_EQ(1, CExtError::s_nLiving);
	wchar_t szBuffer[64];
	UINT nHelpContext = 0;
	EXPECT_TRUE(e->GetErrorMessage(szBuffer, 64, &nHelpContext));
	EXPECT_STREQ(L"extension error 3", szBuffer);
	EXPECT_EQ(103u, nHelpContext);
	e->Delete();                          // the extension library's destructor
	EXPECT_EQ(0, CExtError::s_nLiving);

	e = CatchException([] { ExtThrowOleError(DISP_E_OVERFLOW); });
	ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(COleException)));
	EXPECT_EQ(DISP_E_OVERFLOW, static_cast<COleException*>(e)->m_sc);
	e->Delete();
}

namespace
{
// Answers the message box that ReportError shows on this thread: records its
// text and presses the given button.
class CMessageBoxAnswerer
{
public:
	explicit CMessageBoxAnswerer(int nButton)
		: m_nButton(nButton), m_dwThreadId(::GetCurrentThreadId())
	{
		m_hThread = ::CreateThread(NULL, 0, &CMessageBoxAnswerer::Run, this, 0, NULL);
	}
	~CMessageBoxAnswerer()
	{
		Wait();
		::CloseHandle(m_hThread);
	}
	// TRUE when the box was found and answered.
	bool Wait()
	{
		DWORD dwExitCode = 1;
		return ::WaitForSingleObject(m_hThread, 60000) == WAIT_OBJECT_0 &&
			::GetExitCodeThread(m_hThread, &dwExitCode) && dwExitCode == 0;
	}
	CString m_strText;
	CString m_strTitle;

private:
	static BOOL CALLBACK FindBox(HWND hWnd, LPARAM lParam)
	{
		wchar_t szClass[16];
		if (::GetClassName(hWnd, szClass, 16) && wcscmp(szClass, L"#32770") == 0 && ::IsWindowVisible(hWnd))
		{
			*reinterpret_cast<HWND*>(lParam) = hWnd;
			return FALSE;
		}
		return TRUE;
	}
	static BOOL CALLBACK CollectText(HWND hWnd, LPARAM lParam)
	{
		wchar_t szClass[16], szText[256];
		if (::GetClassName(hWnd, szClass, 16) && _wcsicmp(szClass, L"Static") == 0 &&
			::GetWindowText(hWnd, szText, 256) > 0)
		{
			*reinterpret_cast<CString*>(lParam) += szText;
		}
		return TRUE;
	}
	static DWORD WINAPI Run(LPVOID pParam)
	{
		CMessageBoxAnswerer* pThis = static_cast<CMessageBoxAnswerer*>(pParam);
		HWND hBox = NULL;
		for (int nTry = 0; nTry < 1500 && hBox == NULL; nTry++)    // up to ~30 s
		{
			::EnumThreadWindows(pThis->m_dwThreadId, &FindBox, reinterpret_cast<LPARAM>(&hBox));
			if (hBox == NULL)
				::Sleep(20);
		}
		if (hBox == NULL)
			return 1;
		wchar_t szTitle[256];
		::GetWindowText(hBox, szTitle, 256);
		pThis->m_strTitle = szTitle;
		::EnumChildWindows(hBox, &CollectText, reinterpret_cast<LPARAM>(&pThis->m_strText));
		::PostMessage(hBox, WM_COMMAND, MAKEWPARAM(pThis->m_nButton, BN_CLICKED),
			reinterpret_cast<LPARAM>(::GetDlgItem(hBox, pThis->m_nButton)));
		return 0;
	}

	int m_nButton;
	DWORD m_dwThreadId;
	HANDLE m_hThread;
};
} // namespace

TEST(CExceptionReport, ShowsTheMessageAndReturnsTheButton)
{
	CException* e = CatchException([] { AfxThrowMemoryException(); });
	CMessageBoxAnswerer answerCancel(IDCANCEL);
	EXPECT_EQ(IDCANCEL, e->ReportError(MB_OKCANCEL));
	ASSERT_TRUE(answerCancel.Wait());
	EXPECT_STREQ(L"Out of memory.", answerCancel.m_strText);
	EXPECT_STREQ(L"mfc_tests", answerCancel.m_strTitle);   // the program's name

	CCountedException plain(FALSE);
	CMessageBoxAnswerer answerOk(IDOK);
	EXPECT_EQ(IDOK, plain.ReportError());
	ASSERT_TRUE(answerOk.Wait());
	EXPECT_STREQ(L"No error message is available.", answerOk.m_strText);
}
