// Load: application threads attach, call and detach in loops, the window
// thread hands the overlay out and back, a controller stops, releases, orders
// and starts again, all while the live picture runs. KIVO_SOAK_SECONDS sets the
// length (short by default). Afterwards nothing may have grown.
#include "../live/LiveTestFixture.h"
#include "TestWatchdog.h"


#include <atomic>
#include <cstdlib>
#include <thread>

namespace
{
DWORD SoakSeconds()
{
    const char* pszSeconds = getenv("KIVO_SOAK_SECONDS");
    int nSeconds = pszSeconds != nullptr ? atoi(pszSeconds) : 0;
    return nSeconds > 0 ? static_cast<DWORD>(nSeconds) : 8;
}

// What the process holds: kernel handles (from the system's handle list,
// which Wine keeps while it does not count them per process) and the bytes in
// use in all its heaps.
struct CResourceUse
{
    ULONG nHandles = 0;
    ULONGLONG nHeapBytes = 0;

    static CResourceUse Now()
    {
        CResourceUse use;
        use.nHandles = CountOwnHandles();
        HANDLE ahHeaps[256];
        DWORD nHeaps = GetProcessHeaps(256, ahHeaps);
        for (DWORD i = 0; i < nHeaps && i < 256; ++i)
        {
            FlushDelayedFrees(ahHeaps[i]);
            if (!HeapLock(ahHeaps[i]))
                continue;
            PROCESS_HEAP_ENTRY entry = {};
            while (HeapWalk(ahHeaps[i], &entry))
                if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                    use.nHeapBytes += entry.cbData;
            HeapUnlock(ahHeaps[i]);
        }
        return use;
    }

    // With heap checking on, Wine holds the last freed blocks of a heap back
    // (still walked as busy) and lets each go only when a later free pushes it
    // out. Freeing a run of tiny blocks pushes them all out, so that the walk
    // counts the same tiny blocks before and after instead of whichever
    // pictures happened to be freed last.
    static void FlushDelayedFrees(HANDLE hHeap)
    {
        std::vector<void*> blocks(4096, nullptr);
        for (void*& pBlock : blocks)
            pBlock = HeapAlloc(hHeap, 0, 16);
        for (void* pBlock : blocks)
            if (pBlock != nullptr)
                HeapFree(hHeap, 0, pBlock);
    }

    static ULONG CountOwnHandles()
    {
        typedef LONG(NTAPI * PFNQUERY)(ULONG, PVOID, ULONG, PULONG);
        PFNQUERY pfnQuery = reinterpret_cast<PFNQUERY>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
        struct CHandleEntry
        {
            ULONG nOwnerPid;
            BYTE nObjectType, nFlags;
            USHORT nHandle;
            PVOID pObject;
            ACCESS_MASK access;
        };
        std::vector<BYTE> buffer(1 << 20);
        ULONG nNeeded = 0;
        const ULONG SYSTEM_HANDLE_INFORMATION = 16;
        for (int i = 0; i < 6 && pfnQuery != nullptr; ++i)
        {
            LONG nStatus = pfnQuery(SYSTEM_HANDLE_INFORMATION, buffer.data(), static_cast<ULONG>(buffer.size()),
                                    &nNeeded);
            if (nStatus == 0)
            {
                ULONG nEntries = *reinterpret_cast<ULONG*>(buffer.data());
                const CHandleEntry* pEntries = reinterpret_cast<const CHandleEntry*>(buffer.data() + sizeof(ULONG_PTR));
                ULONG nOwn = 0;
                for (ULONG k = 0; k < nEntries; ++k)
                    nOwn += pEntries[k].nOwnerPid == GetCurrentProcessId() ? 1 : 0;
                return nOwn;
            }
            buffer.resize(buffer.size() * 2 > nNeeded ? buffer.size() * 2 : nNeeded + 4096);
        }
        return 0;
    }
};

class Soak : public LiveWindowTest
{
protected:
    enum { CALLERS = 3, CONTROLLER = CALLERS, WINDOW = CALLERS + 1, SLOTS = CALLERS + 2 };

    void Caller(size_t nSlot, CTestWatchdog& watchdog, DWORD dwEnd)
    {
        while (GetTickCount() < dwEnd)
        {
            try
            {
                watchdog.Step(nSlot, "ThreadAttach");
                m_client.ThreadAttach();
                watchdog.Step(nSlot, "properties");
                m_client.SetPropValueInt(static_cast<tagEMVP>(200 + nSlot), static_cast<int>(m_nCalls));
                m_client.GetPropValueInt(LIVEWIDTH);
                m_client.GetPropValue(static_cast<tagEMVP>(200 + nSlot));
                m_client.GetServerState();
                watchdog.Step(nSlot, "ThreadDetach");
                m_client.ThreadDetach();
                ++m_nCalls;
            }
            catch (CException* pException)
            {
                NoteFailure(pException);
                m_client.ThreadDetach();
            }
        }
        watchdog.Step(nSlot, "done");
    }

    void Controller(CTestWatchdog& watchdog, DWORD dwEnd)
    {
        try
        {
            m_client.ThreadAttach();
            while (GetTickCount() < dwEnd)
            {
                watchdog.Step(CONTROLLER, "Stop");
                m_client.Stop(0);
                watchdog.Step(CONTROLLER, "Start");
                m_client.Start(0);
                Sleep(30);
                watchdog.Step(CONTROLLER, "ReleaseCamera");
                m_client.ReleaseCamera();
                watchdog.Step(CONTROLLER, "OrderCamera");
                m_client.OrderCamera();
                watchdog.Step(CONTROLLER, "Start again");
                m_client.Start(0);
                Sleep(30);
                ++m_nCycles;
            }
        }
        catch (CException* pException)
        {
            NoteFailure(pException);
        }
        watchdog.Step(CONTROLLER, "ThreadDetach");
        m_client.ThreadDetach();
        watchdog.Step(CONTROLLER, "done");
    }

    // The window thread draws the overlay now and then, as an application would.
    void HandOutOverlay(CTestWatchdog& watchdog)
    {
        watchdog.Step(WINDOW, "GetMaskPaintDC");
        CKIVOWindowDC windowDC(m_hWnd);
        CRect rect(LEFT, TOP, LEFT + WIDTH, TOP + HEIGHT);
        if (CKIVOClientMaskPaintDC* pMask = m_client.GetMaskPaintDC(windowDC.Get(), rect))
        {
            pMask->FillSolidRect(&rect, LIVE_KEY);
            pMask->FillSolidRect(LEFT, TOP, 10 + static_cast<int>(m_nHandOuts % 40), 10, RGB(0, 255, 0));
            m_client.ReleaseMaskPaintDC();
            ++m_nHandOuts;
        }
        watchdog.Step(WINDOW, "pumping");
    }

    void RunPhase(DWORD dwSeconds)
    {
        CTestWatchdog watchdog(dwSeconds + 60, "soak", SLOTS);
        const DWORD dwEnd = GetTickCount() + dwSeconds * 1000;
        std::atomic<size_t> nFinished(0);
        std::vector<std::thread> threads;
        for (size_t i = 0; i < CALLERS; ++i)
            threads.emplace_back([&, i] {
                Caller(i, watchdog, dwEnd);
                ++nFinished;
            });
        threads.emplace_back([&] {
            Controller(watchdog, dwEnd);
            ++nFinished;
        });
        while (GetTickCount() < dwEnd)
        {
            PumpMessages();
            HandOutOverlay(watchdog);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        // Pump until the other threads are done: Stop may wait for the live
        // thread, which may be painting into this thread's window.
        while (nFinished < threads.size())
        {
            PumpMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        for (std::thread& thread : threads)
            thread.join();
    }

    // Wine's marshaller keeps a small block for every VARIANT passed by value
    // (SetPropVariant); measured here with bare calls on this thread's camera
    // interface, it is the platform's and not counted against the client.
    ULONGLONG MeasurePlatformBytesPerVariantCall()
    {
        const int CALLS = 200;
        IKIVOCamera* pCamera = m_client.GetICamera();
        VARIANT var;
        VariantInit(&var);
        var.vt = VT_I4;
        var.lVal = 5;
        pCamera->SetPropVariant(static_cast<tagEMVP>(250), var);
        Script().ClearCalls();
        const CResourceUse before = CResourceUse::Now();
        for (int i = 0; i < CALLS; ++i)
            pCamera->SetPropVariant(static_cast<tagEMVP>(250), var);
        Script().ClearCalls();
        const CResourceUse after = CResourceUse::Now();
        if (after.nHeapBytes <= before.nHeapBytes)
            return 0;
        return (after.nHeapBytes - before.nHeapBytes + CALLS - 1) / CALLS;
    }

    // Counts a failure and prints it, so that a failing soak says what failed.
    void NoteFailure(CException* pException)
    {
        ++m_nFailures;
        wchar_t szMessage[256] = L"(not a client exception)";
        if (CKIVOClientException* pClientException = dynamic_cast<CKIVOClientException*>(pException))
            pClientException->GetErrorMessage(szMessage, 256);
        fwprintf(stderr, L"soak failure: %ls\n", szMessage);
        pException->Delete();
    }

    std::atomic<size_t> m_nCalls{ 0 }, m_nFailures{ 0 }, m_nCycles{ 0 }, m_nHandOuts{ 0 };
};
}

TEST_F(Soak, EverythingAtOnceLeavesNothingBehind)
{
    s_bPaintOverlay = true;
    StartLive();
    const DWORD dwSeconds = SoakSeconds();
    RunPhase(dwSeconds > 4 ? 2 : 1);   // warm-up: caches, proxies, the first frames
    m_nCalls = m_nFailures = m_nCycles = m_nHandOuts = 0;
    // Both measurements in the same state: stopped, the server's call log empty.
    m_client.Stop(0);
    Script().ClearCalls();
    const CResourceUse before = CResourceUse::Now();
    m_client.Start(0);

    RunPhase(dwSeconds);
    m_client.Stop(0);
    const size_t nFetches = Script().CountCalls("Get3DLivePicture");
    const size_t nVariantCalls = Script().CountCalls("SetPropVariant");
    Script().ClearCalls();
    const CResourceUse after = CResourceUse::Now();
    const ULONGLONG nPlatformBytes = MeasurePlatformBytesPerVariantCall();
    printf("soak: %lu s, %d threads, %zu attach/call/detach rounds, %zu stop/release/order/start cycles, "
           "%zu overlay hand-outs, %zu picture fetches, handles %lu -> %lu, heap bytes %llu -> %llu "
           "(%zu variants by value, platform keeps %llu bytes each)\n",
           dwSeconds, SLOTS, m_nCalls.load(), m_nCycles.load(), m_nHandOuts.load(), nFetches,
           before.nHandles, after.nHandles, before.nHeapBytes, after.nHeapBytes, nVariantCalls, nPlatformBytes);
    EXPECT_EQ(0u, m_nFailures.load());
    EXPECT_GT(m_nCalls.load(), 0u);
    EXPECT_GT(m_nCycles.load(), 0u);
    EXPECT_GT(m_nHandOuts.load(), 0u);
    EXPECT_GT(nFetches, 0u);
    // A few handles and blocks come and go with COM's and Wine's own threads
    // and caches; nothing may pile up with the work done.
    ASSERT_GT(before.nHandles, 0u) << "the handle count must be measurable";
    ASSERT_GT(before.nHeapBytes, 0u);
    EXPECT_LE(after.nHandles, before.nHandles + 16);
    EXPECT_LE(after.nHeapBytes, before.nHeapBytes + nVariantCalls * nPlatformBytes + 64 * 1024);
}
