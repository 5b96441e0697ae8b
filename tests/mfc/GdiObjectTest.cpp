#include <gtest/gtest.h>
#include <afxwin.h>
#include "AfxHandleMap.h"     // AfxGetTempObjectCount

namespace
{
const DWORD kWaitMs = 30000;

// Runs func on a new thread and returns its result; the thread has ended
// (and detached from the libraries) when this returns.
template<class Func>
DWORD RunOnThread(Func func)
{
	struct CCall
	{
		static DWORD WINAPI Run(LPVOID pParam) { return (*static_cast<Func*>(pParam))(); }
	};
	HANDLE hThread = ::CreateThread(NULL, 0, &CCall::Run, &func, 0, NULL);
	DWORD dwExitCode = 0xDEAD;
	if (::WaitForSingleObject(hThread, kWaitMs) == WAIT_OBJECT_0)
		::GetExitCodeThread(hThread, &dwExitCode);
	::CloseHandle(hThread);
	return dwExitCode;
}

LONG ThreadTemps()
{
	return AfxGetTempObjectCount(FALSE);
}

LONG ProcessTemps()
{
	return AfxGetTempObjectCount(TRUE);
}

void DeleteAllTemps()
{
	CGdiObject::DeleteTempMap();
	CDC::DeleteTempMap();
}
} // namespace

/////////////////////////////////////////////////////////////////////////////
// Ownership of handles

TEST(CGdiObjectTest, DestructorDeletesTheAttachedHandle)
{
	HGDIOBJ hPen;
	{
		CPen pen(PS_SOLID, 3, RGB(1, 2, 3));
		hPen = pen.m_hObject;
		EXPECT_EQ(static_cast<UINT>(OBJ_PEN), pen.GetObjectType());
		LOGPEN logPen;
		EXPECT_EQ(static_cast<int>(sizeof(logPen)), pen.GetObject(sizeof(logPen), &logPen));
		EXPECT_EQ(RGB(1, 2, 3), logPen.lopnColor);
		EXPECT_EQ(3, logPen.lopnWidth.x);
		EXPECT_EQ(static_cast<HPEN>(hPen), static_cast<HPEN>(pen));
	}
	EXPECT_EQ(0u, ::GetObjectType(hPen));
}

TEST(CGdiObjectTest, DetachHandsOverTheHandle)
{
	HGDIOBJ hBrush;
	{
		CBrush brush(RGB(9, 8, 7));
		hBrush = brush.Detach();
		EXPECT_EQ(nullptr, brush.m_hObject);
		EXPECT_FALSE(brush.DeleteObject());     // nothing left to delete
	}
	EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), ::GetObjectType(hBrush));
	LOGBRUSH logBrush;
	ASSERT_EQ(static_cast<int>(sizeof(logBrush)), ::GetObject(hBrush, sizeof(logBrush), &logBrush));
	EXPECT_EQ(RGB(9, 8, 7), logBrush.lbColor);
	EXPECT_TRUE(::DeleteObject(hBrush));
}

TEST(CGdiObjectTest, AttachRefusesNullAndDeleteObjectEmpties)
{
	CRgn rgn;
	EXPECT_FALSE(rgn.Attach(NULL));
	ASSERT_TRUE(rgn.CreateRectRgn(0, 0, 10, 10));
	HGDIOBJ hRgn = rgn.m_hObject;
	EXPECT_TRUE(rgn.DeleteObject());
	EXPECT_EQ(nullptr, rgn.m_hObject);
	EXPECT_EQ(0u, ::GetObjectType(hRgn));
}

TEST(CGdiObjectTest, StockObjectsCompareByHandle)
{
	CGdiObject stock1, stock2, other;
	ASSERT_TRUE(stock1.CreateStockObject(GRAY_BRUSH));
	ASSERT_TRUE(stock2.CreateStockObject(GRAY_BRUSH));
	ASSERT_TRUE(other.CreateStockObject(BLACK_BRUSH));
	EXPECT_TRUE(stock1 == stock2);
	EXPECT_FALSE(stock1 != stock2);
	EXPECT_TRUE(stock1 != other);
	EXPECT_EQ(::GetStockObject(GRAY_BRUSH), stock1.GetSafeHandle());
	EXPECT_TRUE(stock1.UnrealizeObject());
	// A stock object is held but not recorded: FromHandle gives a temporary.
	EXPECT_NE(&stock1, CGdiObject::FromHandle(stock1.m_hObject));
	DeleteAllTemps();
}

TEST(CFontTest, CreatesFontsFromPointSizesAndDescriptions)
{
	CDC dc;
	ASSERT_TRUE(dc.CreateCompatibleDC(NULL));
	int nDpi = dc.GetDeviceCaps(LOGPIXELSY);
	ASSERT_GT(nDpi, 0);

	CFont font;
	ASSERT_TRUE(font.CreatePointFont(120, L"Tahoma", &dc));
	LOGFONT logFont;
	ASSERT_EQ(static_cast<int>(sizeof(logFont)), font.GetLogFont(&logFont));
	EXPECT_EQ(-::MulDiv(nDpi, 12, 72), logFont.lfHeight);    // 16 at 96 dpi
	EXPECT_STREQ(L"Tahoma", logFont.lfFaceName);
	EXPECT_EQ(DEFAULT_CHARSET, logFont.lfCharSet);

	// Two device pixels per logical unit halve the height.
	dc.SetMapMode(MM_ANISOTROPIC);
	dc.SetWindowExt(1, 1);
	dc.SetViewportExt(2, 2);
	CFont fontScaled;
	ASSERT_TRUE(fontScaled.CreatePointFont(120, L"Tahoma", &dc));
	ASSERT_EQ(static_cast<int>(sizeof(logFont)), fontScaled.GetLogFont(&logFont));
	EXPECT_EQ(-::MulDiv(nDpi, 12, 72) / 2, logFont.lfHeight);

	// Without a DC the screen decides; an overlong face name is cut to fit.
	CFont fontScreen;
	ASSERT_TRUE(fontScreen.CreatePointFont(100, L"A face name that is far too long for LOGFONT", NULL));
	ASSERT_EQ(static_cast<int>(sizeof(logFont)), fontScreen.GetLogFont(&logFont));
	HDC hScreen = ::GetDC(NULL);
	EXPECT_EQ(-::MulDiv(::GetDeviceCaps(hScreen, LOGPIXELSY), 10, 72), logFont.lfHeight);
	::ReleaseDC(NULL, hScreen);
	EXPECT_EQ(LF_FACESIZE - 1, lstrlen(logFont.lfFaceName));

	CFont fontDescribed;
	ASSERT_TRUE(fontDescribed.CreateFont(-20, 0, 0, 0, FW_BOLD, TRUE, FALSE, FALSE, ANSI_CHARSET,
		OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, L"Arial"));
	ASSERT_EQ(static_cast<int>(sizeof(logFont)), fontDescribed.GetLogFont(&logFont));
	EXPECT_EQ(-20, logFont.lfHeight);
	EXPECT_EQ(FW_BOLD, logFont.lfWeight);
	EXPECT_EQ(TRUE, logFont.lfItalic);
	EXPECT_EQ(ANSI_CHARSET, logFont.lfCharSet);
	EXPECT_STREQ(L"Arial", logFont.lfFaceName);
}

TEST(CBitmapTest, DescribesItsBitmap)
{
	CBitmap bitmap;
	ASSERT_TRUE(bitmap.CreateBitmap(5, 3, 1, 32, NULL));
	BITMAP bm;
	ASSERT_EQ(static_cast<int>(sizeof(bm)), bitmap.GetBitmap(&bm));
	EXPECT_EQ(5, bm.bmWidth);
	EXPECT_EQ(3, bm.bmHeight);
	EXPECT_EQ(32, bm.bmBitsPixel);
	EXPECT_EQ(CSize(0, 0), bitmap.GetBitmapDimension());
	::SetBitmapDimensionEx(bitmap, 100, 50, NULL);
	EXPECT_EQ(CSize(100, 50), bitmap.GetBitmapDimension());

	// A fresh memory DC holds a 1x1 monochrome bitmap: compatible means monochrome.
	CDC dc;
	ASSERT_TRUE(dc.CreateCompatibleDC(NULL));
	CBitmap mono;
	ASSERT_TRUE(mono.CreateCompatibleBitmap(&dc, 7, 2));
	ASSERT_EQ(static_cast<int>(sizeof(bm)), mono.GetBitmap(&bm));
	EXPECT_EQ(7, bm.bmWidth);
	EXPECT_EQ(1, bm.bmBitsPixel);
}

/////////////////////////////////////////////////////////////////////////////
// Handle maps

TEST(CHandleMapTest, FromHandleFindsTheHoldingObject)
{
	DeleteAllTemps();
	CBitmap bitmap;
	ASSERT_TRUE(bitmap.CreateBitmap(4, 4, 1, 32, NULL));
	HBITMAP hBitmap = bitmap;
	EXPECT_EQ(&bitmap, CBitmap::FromHandle(hBitmap));
	EXPECT_EQ(&bitmap, CGdiObject::FromHandle(hBitmap));

	bitmap.Detach();
	CBitmap* pTemp = CBitmap::FromHandle(hBitmap);
	ASSERT_NE(nullptr, pTemp);
	EXPECT_NE(&bitmap, pTemp);
	EXPECT_EQ(hBitmap, pTemp->m_hObject);
	EXPECT_TRUE(pTemp->IsKindOf(RUNTIME_CLASS(CBitmap)));
	EXPECT_EQ(pTemp, CGdiObject::FromHandle(hBitmap));
	EXPECT_EQ(hBitmap, pTemp->Detach());          // detached through the temporary...
	EXPECT_EQ(pTemp, CBitmap::FromHandle(hBitmap));
	EXPECT_EQ(hBitmap, pTemp->m_hObject);           // ...and wrapping it again
	EXPECT_EQ(nullptr, CGdiObject::FromHandle(NULL));
	EXPECT_EQ(nullptr, CDC::FromHandle(NULL));

	// Temporaries never delete what they wrap.
	CGdiObject::DeleteTempMap();
	EXPECT_EQ(0, ThreadTemps());
	EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), ::GetObjectType(hBitmap));
	EXPECT_TRUE(::DeleteObject(hBitmap));
}

TEST(CHandleMapTest, TemporariesHaveTheClassOfTheirObject)
{
	DeleteAllTemps();
	HRGN hRgn = ::CreateRectRgn(0, 0, 1, 1);
	struct { HGDIOBJ hObject; CRuntimeClass* pClass; } cases[] = {
		{ ::GetStockObject(BLACK_PEN), RUNTIME_CLASS(CPen) },
		{ ::GetStockObject(WHITE_BRUSH), RUNTIME_CLASS(CBrush) },
		{ ::GetStockObject(DEFAULT_GUI_FONT), RUNTIME_CLASS(CFont) },
		{ hRgn, RUNTIME_CLASS(CRgn) },
		{ ::GetStockObject(DEFAULT_PALETTE), RUNTIME_CLASS(CGdiObject) },
	};
	for (const auto& test : cases)
	{
		CGdiObject* pObject = CGdiObject::FromHandle(test.hObject);
		ASSERT_NE(nullptr, pObject);
		EXPECT_EQ(test.pClass, pObject->GetRuntimeClass()) << pObject->GetRuntimeClass()->m_lpszClassName;
		EXPECT_EQ(test.hObject, pObject->m_hObject);
		EXPECT_EQ(pObject, CGdiObject::FromHandle(test.hObject));    // one per handle
	}
	EXPECT_EQ(5, ThreadTemps());
	CGdiObject::DeleteTempMap();
	EXPECT_EQ(0, ThreadTemps());
	EXPECT_EQ(static_cast<DWORD>(OBJ_REGION), ::GetObjectType(hRgn));
	::DeleteObject(hRgn);
}

TEST(CHandleMapTest, TemporaryDCWrapsBothHandlesAndLeavesTheDC)
{
	DeleteAllTemps();
	HDC hDC = ::CreateCompatibleDC(NULL);
	CDC* pDC = CDC::FromHandle(hDC);
	ASSERT_NE(nullptr, pDC);
	EXPECT_EQ(hDC, pDC->m_hDC);
	EXPECT_EQ(hDC, pDC->m_hAttribDC);
	EXPECT_EQ(pDC, CDC::FromHandle(hDC));
	EXPECT_EQ(1, ThreadTemps());
	CGdiObject::DeleteTempMap();          // only GDI objects
	EXPECT_EQ(1, ThreadTemps());
	CDC::DeleteTempMap();
	EXPECT_EQ(0, ThreadTemps());
	EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), ::GetObjectType(hDC));
	::DeleteDC(hDC);
}

TEST(CHandleMapTest, TemporariesStayBoundedOverLongSelectLoops)
{
	CDC dc;
	ASSERT_TRUE(dc.CreateCompatibleDC(NULL));
	HGDIOBJ hDefault = ::GetCurrentObject(dc, OBJ_BITMAP);
	DeleteAllTemps();
	const LONG nProcessBefore = ProcessTemps();
	LONG nMaxTemps = 0;

	// New handles without holders: each round trip leaves a temporary behind
	// whose handle dies a little later. GDI reuses a slot's handle value only
	// after many generations, so keeping a few alive makes every value new.
	const int kAlive = 64;
	HBITMAP ahAlive[kAlive] = {};
	CBitmap* pDefault = NULL;
	for (int i = 0; i < 10000; i++)
	{
		HBITMAP hBitmap = ::CreateBitmap(2, 2, 1, 1, NULL);
		ASSERT_NE(nullptr, hBitmap);
		CBitmap* pNew = CBitmap::FromHandle(hBitmap);
		CBitmap* pOld = dc.SelectObject(pNew);
		ASSERT_NE(nullptr, pOld);
		if (pDefault == NULL)
			pDefault = pOld;
		ASSERT_EQ(pDefault, pOld);                      // the same wrapper every time
		ASSERT_EQ(hDefault, pOld->GetSafeHandle());
		ASSERT_EQ(pNew, dc.SelectObject(pOld));
		if (ahAlive[i % kAlive] != NULL)
		{
			ASSERT_TRUE(::DeleteObject(ahAlive[i % kAlive]));
		}
		ahAlive[i % kAlive] = hBitmap;
		if (ThreadTemps() > nMaxTemps)
			nMaxTemps = ThreadTemps();
	}
	for (HBITMAP hBitmap : ahAlive)
		::DeleteObject(hBitmap);
	EXPECT_LE(nMaxTemps, 200);         // not one per iteration
	EXPECT_LE(ThreadTemps(), 200);

	// Bitmaps with holders: only the default bitmap needs a temporary.
	for (int i = 0; i < 10000; i++)
	{
		CBitmap bitmap;
		ASSERT_TRUE(bitmap.CreateBitmap(2, 2, 1, 1, NULL));
		CBitmap* pOld = dc.SelectObject(&bitmap);
		ASSERT_EQ(pDefault, pOld);
		ASSERT_EQ(&bitmap, dc.SelectObject(pOld));
	}
	EXPECT_LE(ThreadTemps(), 200);
	EXPECT_LE(ProcessTemps() - nProcessBefore, 200);
	DeleteAllTemps();
	EXPECT_EQ(nProcessBefore, ProcessTemps());
}

TEST(CHandleMapTest, LiveTemporariesSurviveTheCleanUp)
{
	DeleteAllTemps();
	const int kLive = 300;
	HBRUSH ahBrush[kLive];
	CBrush* apBrush[kLive];
	for (int i = 0; i < kLive; i++)
	{
		ahBrush[i] = ::CreateSolidBrush(RGB(i % 256, 0, 0));
		apBrush[i] = CBrush::FromHandle(ahBrush[i]);
	}
	// Churn enough dead handles to force several clean-ups.
	for (int i = 0; i < 2000; i++)
	{
		HBRUSH hBrush = ::CreateSolidBrush(RGB(0, 0, 1));
		ASSERT_NE(nullptr, CBrush::FromHandle(hBrush));
		::DeleteObject(hBrush);
	}
	EXPECT_LE(ThreadTemps(), 2 * kLive + 10);
	for (int i = 0; i < kLive; i++)
	{
		ASSERT_EQ(apBrush[i], CBrush::FromHandle(ahBrush[i])) << i;
		ASSERT_EQ(ahBrush[i], apBrush[i]->m_hObject);
		::DeleteObject(ahBrush[i]);
	}
	DeleteAllTemps();
}

TEST(CHandleMapTest, DeadDCTemporariesAreFreedToo)
{
	DeleteAllTemps();
	const int kAlive = 16;
	HDC ahAlive[kAlive] = {};
	LONG nMaxTemps = 0;
	for (int i = 0; i < 2000; i++)
	{
		HDC hDC = ::CreateCompatibleDC(NULL);
		ASSERT_NE(nullptr, CDC::FromHandle(hDC));
		if (ahAlive[i % kAlive] != NULL)
			::DeleteDC(ahAlive[i % kAlive]);
		ahAlive[i % kAlive] = hDC;
		if (ThreadTemps() > nMaxTemps)
			nMaxTemps = ThreadTemps();
	}
	EXPECT_LE(nMaxTemps, 200);
	for (int i = 0; i < kAlive; i++)
		EXPECT_EQ(ahAlive[i], CDC::FromHandle(ahAlive[i])->m_hDC);
	for (HDC hDC : ahAlive)
		::DeleteDC(hDC);
	DeleteAllTemps();
}

TEST(CHandleMapTest, EachThreadHasItsOwnTemporaries)
{
	DeleteAllTemps();
	HBITMAP hBitmap = ::CreateBitmap(1, 1, 1, 1, NULL);
	CBitmap* pMine = CBitmap::FromHandle(hBitmap);
	CBitmap held;
	ASSERT_TRUE(held.CreateBitmap(1, 1, 1, 1, NULL));
	const LONG nProcessBefore = ProcessTemps();

	struct CSeen { CBitmap* pFirst; CBitmap* pSecond; CBitmap* pHeld; LONG nThreadTemps; LONG nProcessTemps; } seen = {};
	DWORD dwResult = RunOnThread([&]() -> DWORD
	{
		seen.pFirst = CBitmap::FromHandle(hBitmap);
		seen.pSecond = CBitmap::FromHandle(hBitmap);
		seen.pHeld = CBitmap::FromHandle(held);
		seen.nThreadTemps = ThreadTemps();
		seen.nProcessTemps = ProcessTemps();
		return 0;
	});
	ASSERT_EQ(0u, dwResult);
	EXPECT_NE(nullptr, seen.pFirst);
	EXPECT_EQ(seen.pFirst, seen.pSecond);
	EXPECT_NE(pMine, seen.pFirst);
	EXPECT_NE(&held, seen.pHeld);          // held is this thread's, not the other's
	EXPECT_EQ(2, seen.nThreadTemps);
	EXPECT_EQ(nProcessBefore + 2, seen.nProcessTemps);
	EXPECT_EQ(nProcessBefore, ProcessTemps());   // freed when the thread ended

	EXPECT_EQ(pMine, CBitmap::FromHandle(hBitmap));
	EXPECT_EQ(&held, CBitmap::FromHandle(held));
	EXPECT_EQ(hBitmap, pMine->m_hObject);
	DeleteAllTemps();
	::DeleteObject(hBitmap);
}

TEST(CHandleMapTest, DetachOnAnotherThreadForgetsTheHolder)
{
	CBitmap* pBitmap = new CBitmap;
	ASSERT_TRUE(pBitmap->CreateBitmap(1, 1, 1, 1, NULL));
	HBITMAP hBitmap = *pBitmap;
	ASSERT_EQ(pBitmap, CBitmap::FromHandle(hBitmap));
	ASSERT_EQ(0u, RunOnThread([pBitmap]() -> DWORD
	{
		return pBitmap->Detach() != NULL ? 0 : 1;
	}));
	CBitmap* pAfter = CBitmap::FromHandle(hBitmap);
	EXPECT_NE(pBitmap, pAfter);
	EXPECT_EQ(hBitmap, pAfter->m_hObject);
	delete pBitmap;
	DeleteAllTemps();
	::DeleteObject(hBitmap);
}

TEST(CHandleMapTest, UnlockingTheLastLockDeletesTemporaries)
{
	DeleteAllTemps();
	EXPECT_FALSE(AfxUnlockTempMaps());     // not locked: nothing happens
	CGdiObject::FromHandle(::GetStockObject(BLACK_PEN));
	EXPECT_EQ(1, ThreadTemps());

	AfxLockTempMaps();
	AfxLockTempMaps();
	CGdiObject::FromHandle(::GetStockObject(WHITE_PEN));
	EXPECT_TRUE(AfxUnlockTempMaps());
	EXPECT_EQ(2, ThreadTemps());
	EXPECT_FALSE(AfxUnlockTempMaps());
	EXPECT_EQ(0, ThreadTemps());

	AfxLockTempMaps();
	CGdiObject::FromHandle(::GetStockObject(WHITE_PEN));
	EXPECT_FALSE(AfxUnlockTempMaps(FALSE));
	EXPECT_EQ(1, ThreadTemps());
	DeleteAllTemps();
}
