#include <gtest/gtest.h>
#include <afxtempl.h>
#include <map>

namespace
{
typedef CMap<DWORD, DWORD, void*, void*> CThreadMap;

// Exposes whether the hash table is allocated.
class CProbeMap : public CThreadMap
{
public:
	bool HasTable() const { return m_pHashTable != NULL; }
};

void* ValueFor(DWORD dwKey)
{
	return reinterpret_cast<void*>(static_cast<UINT_PTR>(dwKey) * 2 + 1);
}

// Every (key, value) the iteration yields, each counted.
template<class MAP, class KEY, class VALUE>
std::map<KEY, int> VisitAll(const MAP& map, std::map<KEY, VALUE>* pValues = NULL)
{
	std::map<KEY, int> visits;
	POSITION pos = map.GetStartPosition();
	while (pos != NULL)
	{
		KEY key;
		VALUE value;
		map.GetNextAssoc(pos, key, value);
		visits[key]++;
		if (pValues != NULL)
			(*pValues)[key] = value;
	}
	return visits;
}
} // namespace

TEST(HashKeyTest, DefaultAndStringHashes)
{
	EXPECT_EQ(0x123u, HashKey<DWORD>(0x1234));
	EXPECT_EQ(0x10u, HashKey<void*>(reinterpret_cast<void*>(0x100)));
	EXPECT_EQ(97u * 33 + 98, HashKey<LPCWSTR>(L"ab"));
	EXPECT_EQ(97u * 33 + 98, HashKey<LPCSTR>("ab"));
	EXPECT_EQ(HashKey<LPCWSTR>(L"key"), HashKey<const CString&>(CString(L"key")));
	EXPECT_EQ(0u, HashKey<LPCWSTR>(L""));
}

TEST(CMapTest, HashTableComesWithTheFirstInsertion)
{
	CProbeMap map;
	EXPECT_EQ(17u, map.GetHashTableSize());
	EXPECT_FALSE(map.HasTable());
	EXPECT_TRUE(map.IsEmpty());
	void* pValue = NULL;
	EXPECT_FALSE(map.Lookup(5, pValue));
	EXPECT_FALSE(map.RemoveKey(5));
	EXPECT_EQ(nullptr, map.GetStartPosition());

	map.SetAt(5, ValueFor(5));
	EXPECT_TRUE(map.HasTable());
	EXPECT_EQ(17u, map.GetHashTableSize());
	EXPECT_EQ(1, map.GetCount());

	EXPECT_TRUE(map.RemoveKey(5));        // the last one: all memory goes back
	EXPECT_FALSE(map.HasTable());
	EXPECT_EQ(17u, map.GetHashTableSize());
}

TEST(CMapTest, InitHashTable)
{
	CProbeMap map;
	map.InitHashTable(101, FALSE);
	EXPECT_EQ(101u, map.GetHashTableSize());
	EXPECT_FALSE(map.HasTable());
	map.InitHashTable(53);
	EXPECT_EQ(53u, map.GetHashTableSize());
	EXPECT_TRUE(map.HasTable());
	map[1] = ValueFor(1);
	EXPECT_EQ(53u, map.GetHashTableSize());
	void* pValue = NULL;
	EXPECT_TRUE(map.Lookup(1, pValue));
	EXPECT_EQ(ValueFor(1), pValue);
}

TEST(CMapTest, ThousandsOfKeysInCollidingBuckets)
{
	CThreadMap map(7);                    // small blocks: many CPlex blocks
	const DWORD kCount = 5000;
	// Thread-id-like keys, multiples of 4: with 17 buckets, chains of ~300.
	for (DWORD i = 0; i < kCount; i++)
		map.SetAt(0x1000 + 4 * i, ValueFor(0x1000 + 4 * i));
	map.SetAt(0x1000, ValueFor(7));       // overwrite keeps the count
	ASSERT_EQ(static_cast<INT_PTR>(kCount), map.GetCount());
	EXPECT_EQ(map.GetCount(), map.GetSize());

	for (DWORD i = 0; i < kCount; i += 2)
		ASSERT_TRUE(map.RemoveKey(0x1000 + 4 * i));
	EXPECT_FALSE(map.RemoveKey(0x1000));
	ASSERT_EQ(static_cast<INT_PTR>(kCount / 2), map.GetCount());

	for (DWORD i = 0; i < kCount; i++)
	{
		DWORD dwKey = 0x1000 + 4 * i;
		void* pValue = NULL;
		ASSERT_EQ(i % 2 == 1, map.Lookup(dwKey, pValue) != FALSE) << dwKey;
		if (i % 2 == 1)
		{
			ASSERT_EQ(ValueFor(dwKey), pValue);
		}
	}

	std::map<DWORD, void*> values;
	std::map<DWORD, int> visits = VisitAll(map, &values);
	ASSERT_EQ(kCount / 2, visits.size());
	for (const auto& visit : visits)
	{
		EXPECT_EQ(1, visit.second) << visit.first;
		EXPECT_EQ(1u, (visit.first - 0x1000) / 4 % 2);
		EXPECT_EQ(ValueFor(visit.first), values[visit.first]);
	}

	// Freed associations are reused.
	for (DWORD i = 0; i < kCount; i += 2)
		map[0x1000 + 4 * i] = NULL;
	EXPECT_EQ(static_cast<INT_PTR>(kCount), map.GetCount());
	map.RemoveAll();
	EXPECT_TRUE(map.IsEmpty());
	EXPECT_EQ(nullptr, map.GetStartPosition());
}

TEST(CMapTest, SubscriptCreatesDefaultValues)
{
	CMap<int, int, int, int> mapInts;
	EXPECT_EQ(0, mapInts[42]);
	EXPECT_EQ(1, mapInts.GetCount());
	mapInts[42] += 5;
	EXPECT_EQ(5, mapInts[42]);
	const CMap<int, int, int, int>::CPair* pPair = mapInts.PLookup(42);
	ASSERT_NE(nullptr, pPair);
	EXPECT_EQ(42, pPair->key);
	EXPECT_EQ(5, pPair->value);
	EXPECT_EQ(nullptr, mapInts.PLookup(43));

	CMap<CString, LPCTSTR, CString, LPCTSTR> mapStrings;
	EXPECT_TRUE(mapStrings[L"name"].IsEmpty());
	mapStrings[L"name"] += L"camera";
	mapStrings.SetAt(L"model", L"X1");
	CString strValue;
	EXPECT_TRUE(mapStrings.Lookup(L"name", strValue));
	EXPECT_STREQ(L"camera", strValue);
	EXPECT_FALSE(mapStrings.Lookup(L"Name", strValue));
	EXPECT_TRUE(mapStrings.RemoveKey(CString(L"model")));
	std::map<CString, int> visits = VisitAll<decltype(mapStrings), CString, CString>(mapStrings);
	ASSERT_EQ(1u, visits.size());
	EXPECT_STREQ(L"name", visits.begin()->first);
}

TEST(CArrayTest, GrowsInsertsAndRemoves)
{
	CArray<int, int> array;
	EXPECT_TRUE(array.IsEmpty());
	for (int i = 0; i < 100; i++)
		EXPECT_EQ(i, array.Add(i * 10));
	EXPECT_EQ(100, array.GetSize());
	EXPECT_EQ(99, array.GetUpperBound());
	EXPECT_EQ(990, array[99]);

	array.SetSize(105);
	EXPECT_EQ(0, array[104]);             // new elements are zeroed
	array.SetAt(104, 7);
	EXPECT_EQ(7, array.GetAt(104));

	array.RemoveAt(1, 2);
	EXPECT_EQ(103, array.GetCount());
	EXPECT_EQ(0, array[0]);
	EXPECT_EQ(30, array[1]);
	EXPECT_EQ(7, array.GetData()[102]);

	try
	{
		array.GetAt(103);
		ADD_FAILURE() << "no exception";
	}
	catch (CException* e)
	{
		EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CInvalidArgException)));
		e->Delete();
	}
	try
	{
		array.RemoveAt(100, 4);
		ADD_FAILURE() << "no exception";
	}
	catch (CException* e)
	{
		EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CInvalidArgException)));
		e->Delete();
	}
	array.RemoveAll();
	EXPECT_EQ(0, array.GetSize());
	EXPECT_EQ(nullptr, array.GetData());
}

TEST(CArrayTest, HoldsObjectsThroughRelocation)
{
	CArray<CString, const CString&> array;
	for (int i = 0; i < 500; i++)
	{
		CString str;
		str.Format(L"item %d", i);
		array.Add(str);
	}
	array.RemoveAt(0);
	array.SetSize(600);
	EXPECT_STREQ(L"item 1", array[0]);
	EXPECT_STREQ(L"item 499", array[498]);
	EXPECT_TRUE(array[599].IsEmpty());
	array.SetSize(2);
	EXPECT_STREQ(L"item 2", array[1]);
}
