#include <gtest/gtest.h>
#include <afxdisp.h>
#include "ext/MfcTestExt.h"

namespace
{
// Counts destructions; does not override GetErrorMessage.
class CCountedException : public CException
{
public:
    CCountedException() {}
    explicit CCountedException(BOOL bAutoDelete)
        : CException(bAutoDelete)
    {
    }
    virtual ~CCountedException() { s_nDestroyed++; }
    static int s_nDestroyed;
};
int CCountedException::s_nDestroyed = 0;

// Overrides only the const overload, as MFC's own exceptions do.
class CConstOnlyException : public CException
{
public:
    using CException::GetErrorMessage;
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT = nullptr) const
    {
        ::lstrcpyn(lpszError, L"const text", (int)nMaxError);
        return TRUE;
    }
};

template <class Func>
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
    return nullptr;
}

CString MessageOf(CException* e, UINT nMax = 64)
{
    wchar_t szBuffer[64] = L"untouched";
    BOOL bHasText = e->GetErrorMessage(szBuffer, nMax);
    return bHasText ? CString(szBuffer) : L"(none) " + CString(szBuffer);
}
}   // namespace

TEST(RuntimeClass, KindAndDynCreateAcrossModules)
{
    // The records live in the extension library, reached through imported data.
    CExtSquare square;
    const CObject* pObject = &square;
    EXPECT_EQ(RUNTIME_CLASS(CExtSquare), pObject->GetRuntimeClass());
    EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CExtShape)));
    EXPECT_TRUE(pObject->IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(pObject->IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_EQ(nullptr, RUNTIME_CLASS(CExtSquare)->CreateObject());   // not DYNCREATE
    CObject* pCreated = RUNTIME_CLASS(CExtShape)->CreateObject();
    ASSERT_NE(nullptr, pCreated);
    EXPECT_TRUE(pCreated->IsKindOf(RUNTIME_CLASS(CExtShape)));
    EXPECT_FALSE(pCreated->IsKindOf(RUNTIME_CLASS(CExtSquare)));
    delete pCreated;
    EXPECT_TRUE(RUNTIME_CLASS(CMemoryException)->IsDerivedFrom(RUNTIME_CLASS(CException)));
    EXPECT_FALSE(RUNTIME_CLASS(COleException)->IsDerivedFrom(RUNTIME_CLASS(CSimpleException)));
}

TEST(CExceptionDelete, StaticExceptionsSurviveAndOnlyAutoDeletingOnesAreFreed)
{
    CException* pFirst = CatchException([] { AfxThrowMemoryException(); });
    ASSERT_NE(nullptr, pFirst);
    EXPECT_TRUE(pFirst->IsKindOf(RUNTIME_CLASS(CMemoryException)));
    for (int i = 0; i < 100; i++)
        pFirst->Delete();
    EXPECT_EQ(pFirst, CatchException([] { AfxThrowMemoryException(); }));
    EXPECT_TRUE(pFirst->IsKindOf(RUNTIME_CLASS(CMemoryException)));   // still alive

    CCountedException::s_nDestroyed = 0;
    (new CCountedException)->Delete();
    EXPECT_EQ(1, CCountedException::s_nDestroyed);
    {
        CCountedException onStack(FALSE);
        onStack.Delete();
        onStack.Delete();
        EXPECT_EQ(1, CCountedException::s_nDestroyed);
    }
    EXPECT_EQ(2, CCountedException::s_nDestroyed);

    CException* e = CatchException([] { ExtThrowError(3); });   // destroyed by its own module
    ASSERT_NE(nullptr, e);
    ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(CExtError)));
    EXPECT_EQ(1, CExtError::s_nLiving);
    EXPECT_STREQ(L"extension error 3", MessageOf(e));
    e->Delete();
    EXPECT_EQ(0, CExtError::s_nLiving);
}

TEST(CExceptionMessage, TextsOfTheLibrarysExceptions)
{
    CCountedException base(FALSE);
    CConstOnlyException constOnly;
    COleException unknown;
    unknown.m_sc = static_cast<SCODE>(0xA0123456);
    // clang-format off
	struct { CException* pException; UINT nMax; LPCWSTR pszMessage; } rows[] = {
		{ &base, 8, L"(none) " },
		{ &base, 0, L"(none) untouched" },     // no room: untouched
		{ &constOnly, 64, L"const text" },     // the non-const overload reaches the const one
		{ CatchException([] { AfxThrowMemoryException(); }), 64, L"Out of memory." },
		{ CatchException([] { AfxThrowMemoryException(); }), 4, L"Out" },
		{ CatchException([] { AfxThrowInvalidArgException(); }), 64, L"Encountered an improper argument." },
		{ &unknown, 64, L"(none) " },
	};
    // clang-format on
    for (const auto& row : rows)
    {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(row.pszMessage)));
        EXPECT_STREQ(row.pszMessage, MessageOf(row.pException, row.nMax));
    }
}

TEST(COleExceptionTest, ThrownOnTheHeapWithTheCodeFromEitherModule)
{
    // clang-format off
	struct { void (*pfnThrow)(); SCODE sc; } rows[] = {
		{ [] { AfxThrowOleException(E_ACCESSDENIED); }, E_ACCESSDENIED },
		{ [] { ExtThrowOleError(DISP_E_OVERFLOW); }, DISP_E_OVERFLOW },
	};
    // clang-format on
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.sc);
        CException* e = CatchException(row.pfnThrow);
        ASSERT_NE(nullptr, e);
        ASSERT_TRUE(e->IsKindOf(RUNTIME_CLASS(COleException)));
        EXPECT_TRUE(e->m_bAutoDelete);
        EXPECT_EQ(row.sc, static_cast<COleException*>(e)->m_sc);
        EXPECT_STRNE(L"", MessageOf(e));   // the system's text
        e->Delete();
    }
}
