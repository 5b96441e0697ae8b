#include <gtest/gtest.h>
#include <afxtempl.h>

TEST(CMapTest, ThousandsOfKeysInCollidingBuckets)
{
    CMap<DWORD, DWORD, void*, void*> map(7);   // small blocks: many CPlex blocks
    const DWORD kCount = 5000;
    void* pValue = nullptr;
    EXPECT_FALSE(map.Lookup(0x1000, pValue));
    EXPECT_FALSE(map.RemoveKey(0x1000));
    // Thread-id-like keys, multiples of 4: with 17 buckets, chains of ~300.
    for (DWORD i = 0; i < kCount; i++)
        map.SetAt(0x1000 + 4 * i, reinterpret_cast<void*>(static_cast<UINT_PTR>(i + 1)));
    map.SetAt(0x1000, reinterpret_cast<void*>(1));   // overwriting keeps the count
    ASSERT_EQ(static_cast<INT_PTR>(kCount), map.GetCount());
    for (DWORD i = 0; i < kCount; i += 2)
        ASSERT_TRUE(map.RemoveKey(0x1000 + 4 * i));
    EXPECT_FALSE(map.RemoveKey(0x1000));
    ASSERT_EQ(static_cast<INT_PTR>(kCount / 2), map.GetCount());
    for (DWORD i = 0; i < kCount; i++)
    {
        pValue = nullptr;
        ASSERT_EQ(i % 2 == 1, map.Lookup(0x1000 + 4 * i, pValue) != FALSE) << i;
        ASSERT_EQ(i % 2 == 1 ? reinterpret_cast<void*>(static_cast<UINT_PTR>(i + 1)) : nullptr, pValue) << i;
    }
    for (DWORD i = 0; i < kCount; i += 2)   // freed associations are reused
        map[0x1000 + 4 * i] = nullptr;
    EXPECT_EQ(static_cast<INT_PTR>(kCount), map.GetCount());
    map.RemoveAll();
    EXPECT_TRUE(map.IsEmpty());
    EXPECT_FALSE(map.Lookup(0x1004, pValue));
}
