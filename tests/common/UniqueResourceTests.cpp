// UniqueResourceTests.cpp: what every owner made from CKIVOUniqueResource
// promises (each value freed once, by its last owner, never while held), with
// a counting kind, and that each real kind's owner frees the real resource.
#include "KivoBstrTraits.h"
#include "KivoComInit.h"
#include "KivoComPtr.h"
#include "KivoSafeArray.h"
#include "TestMallocSpy.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace
{
// A kind whose values are ints, 0 the empty one; Free notes what it was given.
struct CCountingTraits
{
    using Type = int;
    static Type Invalid() { return 0; }
    static void Free(Type n) { s_vecFreed.push_back(n); }
    static std::vector<int> s_vecFreed;
};
std::vector<int> CCountingTraits::s_vecFreed;

using CCounted = CKIVOUniqueResource<CCountingTraits>;

// One operation on two owners, a holding 1 and b holding 2: what it returned
// (through n), what it freed, what each owner holds after it, and what is freed
// once both owners are gone.
struct SContractRow
{
    const char* pszCase;
    std::function<void(CCounted& a, CCounted& b, int& n)> fnAct;
    int nReturned;
    std::vector<int> vecFreedByAct;
    int nHeldByA, nHeldByB;
    std::vector<int> vecFreedInAll;
};

// Writes 5 through the out parameter; answers what it found there.
int ReceiveFive(CCounted& owner)
{
    int* pn = owner.Receive();
    const int nSeen = *pn;
    *pn = 5;
    return nSeen;
}

void MoveToItself(CCounted& owner)
{
    CCounted& self = owner;
    owner = std::move(self);
}

TEST(UniqueResourceTest, EachValueIsFreedOnceByItsLastOwner)
{
    // clang-format off
    const SContractRow aRows[] = {
        { "Reset frees the old value first", [](CCounted& a, CCounted&, int&) { a.Reset(3); },
          0, { 1 }, 3, 2, { 1, 2, 3 } },
        { "Reset to empty frees", [](CCounted& a, CCounted&, int&) { a.Reset(); }, 0, { 1 }, 0, 2, { 1, 2 } },
        { "Detach hands the value over unfreed", [](CCounted& a, CCounted&, int& n) { n = a.Detach(); },
          1, {}, 0, 2, { 2 } },
        { "Receive frees first, then takes what is written", [](CCounted& a, CCounted&, int& n) { n = ReceiveFive(a); },
          0, { 1 }, 5, 2, { 1, 2, 5 } },
        { "move construction leaves the source empty",
          [](CCounted& a, CCounted&, int& n) { n = CCounted(std::move(a)).Detach(); }, 1, {}, 0, 2, { 2 } },
        { "move assignment frees the target's value and empties the source",
          [](CCounted& a, CCounted& b, int&) { b = std::move(a); }, 0, { 2 }, 0, 1, { 1, 2 } },
        { "move assignment to itself keeps the value", [](CCounted& a, CCounted&, int&) { MoveToItself(a); },
          0, {}, 1, 2, { 1, 2 } },
        { "Swap exchanges without freeing", [](CCounted& a, CCounted& b, int&) { a.Swap(b); }, 0, {}, 2, 1, { 1, 2 } },
    };
    // clang-format on
    for (const SContractRow& row : aRows)
    {
        SCOPED_TRACE(row.pszCase);
        CCountingTraits::s_vecFreed.clear();
        {
            CCounted a(1), b(2);
            int nReturned = 0;
            row.fnAct(a, b, nReturned);
            EXPECT_EQ(row.nReturned, nReturned);
            EXPECT_EQ(row.vecFreedByAct, CCountingTraits::s_vecFreed);
            EXPECT_EQ(row.nHeldByA, a.Get());
            EXPECT_EQ(row.nHeldByB, b.Get());
            EXPECT_EQ(row.nHeldByA == 0, a.IsNull());
        }
        std::vector<int> vecFreed = CCountingTraits::s_vecFreed;
        std::sort(vecFreed.begin(), vecFreed.end());
        EXPECT_EQ(row.vecFreedInAll, vecFreed);
    }
}

// One real kind whose freeing the process can see (a reference count, the task
// memory): an owner takes a fresh resource, then gives it up (Reset, or the
// out parameter of the SAFEARRAY holder); the resource must be alive before
// and gone after. The stress test counts the process's kernel handles,
// registry keys among them.
struct SKindRow
{
    const char* pszKind;
    // Calls fnAlive while the owner holds the resource and after it gave it up.
    std::function<void(const std::function<void(bool)>& fnAlive)> fnRun;
};

TEST(UniqueResourceTest, EachKindFreesTheRealResource)
{
    CKIVOComInit com(COINIT_MULTITHREADED);
    ASSERT_TRUE(SUCCEEDED(com.GetResult()));
    CTestMallocSpy& spy = CTestMallocSpy::ForProcess();   // sees BSTRs and SAFEARRAYs freed

    const SKindRow aRows[] = {
        { "COM reference",
          [](const std::function<void(bool)>& fnAlive) {
              IStream* pStream = nullptr;
              ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &pStream));
              pStream->AddRef();   // a reference of the test's own, to count with
              CKIVOComPtr<IStream> stream(pStream);
              fnAlive(pStream->AddRef() == 3 && pStream->Release() == 2);
              stream.Reset();
              fnAlive(pStream->Release() != 0);   // the test's was the last
          } },
        { "BSTR",
          [&spy](const std::function<void(bool)>& fnAlive) {
              const LONG nBefore = spy.Living();
              CKIVOUniqueResource<CKIVOBstrTraits> bstr(SysAllocString(L"owned"));
              fnAlive(spy.Living() == nBefore + 1);
              bstr.Reset();
              fnAlive(spy.Living() != nBefore);
          } },
        { "SAFEARRAY held locked, out parameter used again",
          [&spy](const std::function<void(bool)>& fnAlive) {
              const LONG nBefore = spy.Living();
              CKIVOSafeArrayHolder array;
              *array.Receive() = SafeArrayCreateVector(VT_UI1, 0, 16);
              ASSERT_TRUE(array.Lock());
              fnAlive(spy.Living() > nBefore);
              SAFEARRAY** ppsa = array.Receive();
              fnAlive(spy.Living() != nBefore || *ppsa != nullptr);
          } },
    };
    for (const SKindRow& row : aRows)
    {
        SCOPED_TRACE(row.pszKind);
        std::vector<bool> vecAlive;
        row.fnRun([&](bool bAlive) { vecAlive.push_back(bAlive); });
        EXPECT_EQ((std::vector<bool>{ true, false }), vecAlive);
    }
}
}
