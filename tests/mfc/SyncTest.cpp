#include <gtest/gtest.h>
#include <afxmt.h>
#include "MfcTestSupport.h"

namespace
{
// Whether another thread could take the lock right now.
bool IsFreeForOthers(CCriticalSection& cs)
{
    return RunOnThread([&cs]() -> DWORD {
               if (!::TryEnterCriticalSection(&cs.m_sect))
                   return 0;
               ::LeaveCriticalSection(&cs.m_sect);
               return 1;
           })
           == 1;
}
}   // namespace

TEST(CCriticalSectionTest, RecursiveAndReleasedOnUnlockScopeExitAndException)
{
    CCriticalSection cs;
    EXPECT_TRUE(cs.Lock());   // recursive on one thread
    EXPECT_TRUE(cs.Lock());
    cs.Unlock();
    EXPECT_FALSE(IsFreeForOthers(cs));   // still held once
    cs.Unlock();
    EXPECT_TRUE(IsFreeForOthers(cs));
    {
        CSingleLock lock(&cs);
        EXPECT_FALSE(lock.IsLocked());
        EXPECT_TRUE(lock.Lock());
        EXPECT_FALSE(IsFreeForOthers(cs));
        EXPECT_TRUE(lock.Unlock());
        EXPECT_FALSE(lock.IsLocked());
        EXPECT_TRUE(IsFreeForOthers(cs));
        lock.Lock();
    }
    EXPECT_TRUE(IsFreeForOthers(cs));
    try
    {
        CSingleLock lock(&cs, TRUE);
        AfxThrowNotSupportedException();
    }
    catch (CException* e)
    {
        e->Delete();
    }
    EXPECT_TRUE(IsFreeForOthers(cs));
}
