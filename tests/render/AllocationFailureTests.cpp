// Allocation failure: what the library allocates itself fails as MFC's
// memory exception, never as a standard exception that the application does
// not expect from it. This program's allocator fails on request, on the
// requesting thread only.
#include "RenderTestSupport.h"

#include <cstdlib>
#include <new>

namespace
{
thread_local bool t_bFailAllocations = false;
}

// The allocator replaced for this program: malloc, failing on request.
void* operator new(std::size_t nBytes)
{
    void* p = t_bFailAllocations ? nullptr : malloc(nBytes != 0 ? nBytes : 1);
    if (p == nullptr)
        throw std::bad_alloc();
    return p;
}

// Pairs with the operator new above, which takes its blocks from malloc.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept
{
    free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    free(p);
}

TEST(AllocationFailure, WorkerAndPaintDevicesFailOnlyWithMfcMemoryExceptions)
{
    // clang-format off
    const struct { const char* pszWhat; void (*fnMake)(); bool bBadAlloc; } aCases[] = {
        { "worker", [] { CKIVOClientThread worker(nullptr); }, false },
        { "paint device", [] { CKIVOClientPaintDC device; }, false },
        { "mask paint device", [] { CKIVOClientMaskPaintDC device; }, false },
        // The allocator does fail when asked to (a call, not a new-expression the compiler may drop).
        { "the allocator itself", [] { ::operator delete(::operator new(16)); }, true },
    };
    // clang-format on
    for (const auto& item : aCases)
    {
        bool bStandard = false;
        t_bFailAllocations = true;
        try
        {
            item.fnMake();
        }
        catch (CMemoryException* pException)
        {
            pException->Delete();
        }
        catch (const std::bad_alloc&)
        {
            bStandard = true;
        }
        t_bFailAllocations = false;
        EXPECT_EQ(item.bBadAlloc, bStandard) << item.pszWhat;
    }
}
