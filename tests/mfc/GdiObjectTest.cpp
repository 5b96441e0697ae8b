#include <gtest/gtest.h>
#include <afxwin.h>
#include "MfcTestSupport.h"
#include "AfxHandleMap.h"   // AfxGetTempObjectCount

namespace
{
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
}   // namespace

TEST(CHandleMapTest, OwnersDeleteTheirHandlesTemporariesNever)
{
    HGDIOBJ hPen;
    {
        CPen pen(PS_SOLID, 3, RGB(1, 2, 3));
        hPen = pen.m_hObject;
        EXPECT_FALSE(pen.Attach(nullptr));
    }
    EXPECT_EQ(0u, ::GetObjectType(hPen));
    DeleteAllTemps();
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(4, 4, 1, 32, nullptr));
    HBITMAP hBitmap = bitmap;
    EXPECT_EQ(&bitmap, CGdiObject::FromHandle(hBitmap));
    EXPECT_EQ(hBitmap, bitmap.Detach());
    EXPECT_FALSE(bitmap.DeleteObject());   // nothing left to delete
    CBitmap* pTemp = CBitmap::FromHandle(hBitmap);
    ASSERT_NE(nullptr, pTemp);
    EXPECT_NE(&bitmap, pTemp);
    EXPECT_EQ(pTemp, CGdiObject::FromHandle(hBitmap));   // one per handle
    EXPECT_EQ(nullptr, CGdiObject::FromHandle(nullptr));

    // Temporaries are plain CGdiObjects, whatever the kind of object and
    // whichever class's FromHandle made them.
    const HGDIOBJ ahStock[] = { ::GetStockObject(BLACK_PEN), ::GetStockObject(WHITE_BRUSH),
                                ::GetStockObject(DEFAULT_GUI_FONT) };
    EXPECT_EQ(static_cast<CGdiObject*>(CPen::FromHandle(static_cast<HPEN>(ahStock[0]))),
              CGdiObject::FromHandle(ahStock[0]));
    for (HGDIOBJ hStock : ahStock)
        EXPECT_EQ(RUNTIME_CLASS(CGdiObject), CGdiObject::FromHandle(hStock)->GetRuntimeClass());
    EXPECT_EQ(RUNTIME_CLASS(CGdiObject), pTemp->GetRuntimeClass());
    EXPECT_EQ(4, ThreadTemps());
    CGdiObject::DeleteTempMap();
    EXPECT_EQ(0, ThreadTemps());
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), ::GetObjectType(hBitmap));
    ::DeleteObject(hBitmap);
}

// The idle-time handler of MFC's message loop locks and unlocks the temporary
// maps: the last unlock deletes the thread's temporaries, the one that
// CDC::SelectObject hands back for a DC's first bitmap among them.
TEST(CHandleMapTest, TheLastUnlockOfTheTempMapsDeletesTheTemporaries)
{
    DeleteAllTemps();
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    const HGDIOBJ hFirst = ::GetCurrentObject(dc.m_hDC, OBJ_BITMAP);
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.CreateBitmap(2, 2, 1, 1, nullptr));
    const LONG nProcessBefore = ProcessTemps();

    // clang-format off

	const struct { const char* pszWhat; int nLocks; BOOL bDeleteTemps; LONG nTempsLeft; } aCases[] = {
		{ "never locked", 0, TRUE, 1 },
		{ "locked twice, unlocked once", 2, TRUE, 1 },
		{ "the last unlock, keeping them", 1, FALSE, 1 },
		{ "the last unlock", 1, TRUE, 0 },
	};
    // clang-format on
    for (const auto& item : aCases)
    {
        CBitmap* pOld = dc.SelectObject(&bitmap);
        ASSERT_NE(nullptr, pOld) << item.pszWhat;
        EXPECT_EQ(hFirst, pOld->m_hObject) << item.pszWhat;
        EXPECT_EQ(1, ThreadTemps()) << item.pszWhat;
        for (int i = 0; i < item.nLocks; i++)
            AfxLockTempMaps();
        AfxUnlockTempMaps(item.bDeleteTemps);
        EXPECT_EQ(item.nTempsLeft, ThreadTemps()) << item.pszWhat;
        for (int i = 1; i < item.nLocks; i++)
            AfxUnlockTempMaps(FALSE);
        ::SelectObject(dc.m_hDC, hFirst);
        DeleteAllTemps();
    }
    EXPECT_EQ(nProcessBefore, ProcessTemps());
    EXPECT_EQ(static_cast<DWORD>(OBJ_BITMAP), ::GetObjectType(bitmap.m_hObject));   // handles stay
}

TEST(CHandleMapTest, EachThreadHasItsOwnTemporariesAndHolders)
{
    DeleteAllTemps();
    HBITMAP hBitmap = ::CreateBitmap(1, 1, 1, 1, nullptr);
    CBitmap* pMine = CBitmap::FromHandle(hBitmap);
    CBitmap* pHeld = new CBitmap;
    ASSERT_TRUE(pHeld->CreateBitmap(1, 1, 1, 1, nullptr));
    HBITMAP hHeld = *pHeld;
    const LONG nProcessBefore = ProcessTemps();
    // clang-format off
	struct { CBitmap* pTemp; CBitmap* pHeld; LONG nProcessTemps; } seen = {};
    // clang-format on
    ASSERT_EQ(0u, RunOnThread([&]() -> DWORD {
                  seen.pTemp = CBitmap::FromHandle(hBitmap);
                  seen.pHeld = CBitmap::FromHandle(hHeld);
                  seen.nProcessTemps = ProcessTemps();
                  return 0;
              }));
    EXPECT_NE(pMine, seen.pTemp);
    EXPECT_NE(pHeld, seen.pHeld);   // the holder is this thread's
    EXPECT_EQ(nProcessBefore + 2, seen.nProcessTemps);
    EXPECT_EQ(nProcessBefore, ProcessTemps());   // freed when the thread ended
    EXPECT_EQ(pMine, CBitmap::FromHandle(hBitmap));

    // Detached on another thread: this thread forgets the holder too.
    ASSERT_EQ(0u, RunOnThread([pHeld]() -> DWORD { return pHeld->Detach() != nullptr ? 0 : 1; }));
    EXPECT_NE(pHeld, CBitmap::FromHandle(hHeld));
    delete pHeld;
    DeleteAllTemps();
    ::DeleteObject(hBitmap);
    ::DeleteObject(hHeld);
}
