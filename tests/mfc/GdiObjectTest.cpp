#include <gtest/gtest.h>
#include <afxwin.h>
#include "MfcTestSupport.h"
#include "AfxHandleMap.h"     // AfxGetTempObjectCount

namespace
{
LONG ThreadTemps() { return AfxGetTempObjectCount(FALSE); }
LONG ProcessTemps() { return AfxGetTempObjectCount(TRUE); }

void DeleteAllTemps()
{
	CGdiObject::DeleteTempMap();
	CDC::DeleteTempMap();
}
} // namespace

TEST(CHandleMapTest, OwnersDeleteTheirHandlesTemporariesNever)
{
	HGDIOBJ hPen;
	{
		CPen pen(PS_SOLID, 3, RGB(1, 2, 3));
		hPen = pen.m_hObject;
		EXPECT_FALSE(pen.Attach(NULL));
	}
	EXPECT_EQ(0u, ::GetObjectType(hPen));
	DeleteAllTemps();
	CBitmap bitmap;
	ASSERT_TRUE(bitmap.CreateBitmap(4, 4, 1, 32, NULL));
	HBITMAP hBitmap = bitmap;
	EXPECT_EQ(&bitmap, CGdiObject::FromHandle(hBitmap));
	EXPECT_EQ(hBitmap, bitmap.Detach());
	EXPECT_FALSE(bitmap.DeleteObject());   // nothing left to delete
	CBitmap* pTemp = CBitmap::FromHandle(hBitmap);
	ASSERT_NE(nullptr, pTemp);
	EXPECT_NE(&bitmap, pTemp);
	EXPECT_EQ(pTemp, CGdiObject::FromHandle(hBitmap));   // one per handle
	EXPECT_EQ(nullptr, CGdiObject::FromHandle(NULL));

	// Temporaries have the class of their object.
	CGdiObject* pPen = CGdiObject::FromHandle(::GetStockObject(BLACK_PEN));
	EXPECT_EQ(RUNTIME_CLASS(CPen), pPen->GetRuntimeClass());
	EXPECT_EQ(RUNTIME_CLASS(CBrush), CGdiObject::FromHandle(::GetStockObject(WHITE_BRUSH))->GetRuntimeClass());
	EXPECT_EQ(RUNTIME_CLASS(CFont), CGdiObject::FromHandle(::GetStockObject(DEFAULT_GUI_FONT))->GetRuntimeClass());
	EXPECT_EQ(4, ThreadTemps());
	CGdiObject::DeleteTempMap();
	EXPECT_EQ(0, ThreadTemps());
	EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), ::GetObjectType(hBitmap));
	::DeleteObject(hBitmap);
}

TEST(CHandleMapTest, TemporariesStayBoundedAndLiveOnesSurviveTheCleanUp)
{
	CDC dc;
	ASSERT_TRUE(dc.CreateCompatibleDC(NULL));
	DeleteAllTemps();
	const LONG nProcessBefore = ProcessTemps();
	const int kLive = 100;
	HBRUSH ahLive[kLive];
	CBrush* apLive[kLive];
	for (int i = 0; i < kLive; i++)
	{
		ahLive[i] = ::CreateSolidBrush(RGB(i, 0, 0));
		apLive[i] = CBrush::FromHandle(ahLive[i]);
	}
	// New handles without holders, each dying a little later: GDI reuses a
	// slot's handle value only after many generations, so every value is new.
	const int kAlive = 64;
	HBITMAP ahAlive[kAlive] = {};
	CBitmap* pDefault = NULL;
	LONG nMaxTemps = 0;
	for (int i = 0; i < 10000; i++)
	{
		HBITMAP hBitmap = ::CreateBitmap(2, 2, 1, 1, NULL);
		CBitmap* pNew = CBitmap::FromHandle(hBitmap);
		CBitmap* pOld = dc.SelectObject(pNew);
		ASSERT_NE(nullptr, pOld);
		pDefault = pDefault != NULL ? pDefault : pOld;
		ASSERT_EQ(pDefault, pOld);        // the same wrapper every time
		ASSERT_EQ(pNew, dc.SelectObject(pOld));
		ASSERT_TRUE(ahAlive[i % kAlive] == NULL || ::DeleteObject(ahAlive[i % kAlive]));
		ahAlive[i % kAlive] = hBitmap;
		nMaxTemps = ThreadTemps() > nMaxTemps ? ThreadTemps() : nMaxTemps;
	}
	for (HBITMAP hBitmap : ahAlive)
		::DeleteObject(hBitmap);
	EXPECT_LE(nMaxTemps, 2 * kLive + 200);   // not one per iteration
	for (int i = 0; i < kLive; i++)
	{
		ASSERT_EQ(apLive[i], CBrush::FromHandle(ahLive[i])) << i;
		ASSERT_EQ(ahLive[i], apLive[i]->m_hObject);
		::DeleteObject(ahLive[i]);
	}
	DeleteAllTemps();
	EXPECT_EQ(nProcessBefore, ProcessTemps());
}

TEST(CHandleMapTest, EachThreadHasItsOwnTemporariesAndHolders)
{
	DeleteAllTemps();
	HBITMAP hBitmap = ::CreateBitmap(1, 1, 1, 1, NULL);
	CBitmap* pMine = CBitmap::FromHandle(hBitmap);
	CBitmap* pHeld = new CBitmap;
	ASSERT_TRUE(pHeld->CreateBitmap(1, 1, 1, 1, NULL));
	HBITMAP hHeld = *pHeld;
	const LONG nProcessBefore = ProcessTemps();
	struct { CBitmap* pTemp; CBitmap* pHeld; LONG nProcessTemps; } seen = {};
	ASSERT_EQ(0u, RunOnThread([&]() -> DWORD
	{
		seen.pTemp = CBitmap::FromHandle(hBitmap);
		seen.pHeld = CBitmap::FromHandle(hHeld);
		seen.nProcessTemps = ProcessTemps();
		return 0;
	}));
	EXPECT_NE(pMine, seen.pTemp);
	EXPECT_NE(pHeld, seen.pHeld);          // the holder is this thread's
	EXPECT_EQ(nProcessBefore + 2, seen.nProcessTemps);
	EXPECT_EQ(nProcessBefore, ProcessTemps());   // freed when the thread ended
	EXPECT_EQ(pMine, CBitmap::FromHandle(hBitmap));

	// Detached on another thread: this thread forgets the holder too.
	ASSERT_EQ(0u, RunOnThread([pHeld]() -> DWORD { return pHeld->Detach() != NULL ? 0 : 1; }));
	EXPECT_NE(pHeld, CBitmap::FromHandle(hHeld));
	delete pHeld;
	DeleteAllTemps();
	::DeleteObject(hBitmap);
	::DeleteObject(hHeld);
}
