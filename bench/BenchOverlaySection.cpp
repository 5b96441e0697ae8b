// BenchOverlaySection.cpp: the overlay copy (CopyMaskBitmap) and the key colour
// scan (ScanMaskForKeyColor) of a 1280x1024 overlay, through locked bits and
// through the per-pixel fallback, with a plain memcpy of the same size for scale.
#include "BenchLibraryComposer.h"
#include "BenchPlatform.h"
#include "BenchSections.h"
#include "KivoGdiplus.h"
#include "KivoKeyColorScan.h"
#include "KivoWindowDC.h"
#include "KivoHandle.h"

#include <cstring>

namespace
{
const int OVERLAY_WIDTH = 1280;
const int OVERLAY_HEIGHT = 1024;
const double OVERLAY_PIXELS = static_cast<double>(OVERLAY_WIDTH) * OVERLAY_HEIGHT;

// What CopyMaskBitmap hands over, with the flags it writes.
struct CMaskCopy
{
    CKIVOFrame frame;
    int bHasKey = 0;
    int bAllKey = 1;
};

// The application's side while a copy is taken: a thread that takes the
// overlay device's lock again and again, as a paint handler would, and keeps
// the longest it had to wait.
class CLockProbe
{
public:
    explicit CLockProbe(CKIVOClientMaskPaintDC& device)
        : m_device(device)
    {
        m_hThread.Reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
    }
    // Stops the probe; the longest wait in milliseconds.
    double Stop()
    {
        if (!m_hThread.IsNull())
        {
            InterlockedExchange(&m_bStop, 1);
            WaitForSingleObject(m_hThread, INFINITE);
            m_hThread.Reset();
        }
        return m_dMaxWaitMs;
    }
    ~CLockProbe() { Stop(); }

private:
    static DWORD WINAPI ThreadProc(LPVOID pParam)
    {
        CLockProbe* pThis = static_cast<CLockProbe*>(pParam);
        while (InterlockedCompareExchange(&pThis->m_bStop, 0, 0) == 0)
        {
            const double dStart = BenchNowMs();
            pThis->m_device.Lock(TRUE);
            const double dWait = BenchNowMs() - dStart;
            pThis->m_device.UnLock();
            if (dWait > pThis->m_dMaxWaitMs)
                pThis->m_dMaxWaitMs = dWait;
            Sleep(1);
        }
        return 0;
    }

    CKIVOClientMaskPaintDC& m_device;
    CKIVOHandle m_hThread;
    volatile LONG m_bStop = 0;
    double m_dMaxWaitMs = 0.0;
};
}

void RunOverlaySection(CBenchContext& context)
{
    CKIVOWindowDC windowDC(context.window.GetHwnd());
    if (windowDC.Get() == nullptr)
    {
        context.Fail("overlay", "the window gave no DC");
        return;
    }
    CBenchLibraryComposer library;   // for its worker's overlay device
    CKIVOClientMaskPaintDC& device = library.Worker().GetMaskPaintDevice();
    CRect rect(0, 0, OVERLAY_WIDTH, OVERLAY_HEIGHT);
    const COLORREF crKey = BENCH_KEY;

    std::vector<double> copy, scanLocked, scanFallback, lockWait;
    bool bAgree = true;
    for (int nRun = 0; nRun < context.plan.nOverlayRuns; ++nRun)
    {
        // The overlay is drawn again, as the application does, so there is a new one to copy.
        // Its one non-key pixel comes last: every scan reads all pixels.
        if (!device.Assign(windowDC.Get(), rect))
        {
            context.Fail("overlay", "the overlay device could not be assigned");
            return;
        }
        DrawBenchOverlay(&device, rect, BENCH_OVERLAY_LATE);
        device.UnAssign();

        CMaskCopy mask;
        CLockProbe probe(device);
        Sleep(5);   // the probe is waiting on its lock at least once before the copy
        const double dStart = BenchNowMs();
        mask.frame = library.Worker().CopyMaskBitmap(windowDC.Get(), crKey, &mask.bHasKey, &mask.bAllKey);
        copy.push_back((BenchNowMs() - dStart) * 1e6 / OVERLAY_PIXELS);
        lockWait.push_back(probe.Stop());
        if (mask.frame.GetBitmap() == nullptr || !mask.bHasKey || mask.bAllKey)
        {
            context.Fail("overlay", "CopyMaskBitmap gave no mixed overlay");
            return;
        }

        // One timed scan of the copy: its time per pixel into samples, true for a mixed overlay.
        auto scanTimed = [&](std::vector<double>& samples) {
            int bAll = 0;
            const double dScanStart = BenchNowMs();
            const BOOL bHas = Kivo::ScanMaskForKeyColor(mask.frame.GetBitmap(), &crKey, &bAll);
            samples.push_back((BenchNowMs() - dScanStart) * 1e6 / OVERLAY_PIXELS);
            return bHas && !bAll;
        };
        const bool bMixedLocked = scanTimed(scanLocked);

        // A lock held here makes the scan's own lock fail: it reads pixel by pixel.
        Gdiplus::BitmapData held;
        Gdiplus::Rect all(0, 0, OVERLAY_WIDTH, OVERLAY_HEIGHT);
        if (mask.frame.GetBitmap()->LockBits(&all, Gdiplus::ImageLockModeRead, mask.frame.GetBitmap()->GetPixelFormat(),
                                             &held)
            != Gdiplus::Ok)
        {
            context.Fail("overlay", "the overlay copy could not be locked");
            return;
        }
        const bool bMixedFallback = scanTimed(scanFallback);
        mask.frame.GetBitmap()->UnlockBits(&held);

        bAgree = bAgree && bMixedLocked && bMixedFallback;
        PumpMessagesFor(0.0);
    }

    // memcpy of the same bytes, warm, for scale.
    std::vector<BYTE> source(static_cast<size_t>(OVERLAY_PIXELS) * 4, 0x5A), target(source.size());
    memcpy(target.data(), source.data(), source.size());
    std::vector<double> copies;
    for (int nRun = 0; nRun < context.plan.nOverlayRuns; ++nRun)
    {
        const double dStart = BenchNowMs();
        memcpy(target.data(), source.data(), source.size());
        copies.push_back((BenchNowMs() - dStart) * 1e6 / OVERLAY_PIXELS);
        source[nRun % source.size()] ^= target[(nRun * 7919) % target.size()];   // keeps both buffers live
    }

    CBenchReport& report = context.report;
    report.AddSamples("overlay_copy_ns_per_px_1280x1024", copy, "ns/px", "CopyMaskBitmap with its full key scan");
    report.AddSamples("overlay_lock_wait_ms_1280x1024", lockWait, "ms",
                      "longest wait of another thread for the overlay device during the copy");
    report.AddSamples("overlay_scan_locked_ns_per_px_1280x1024", scanLocked, "ns/px");
    report.AddSamples("overlay_scan_fallback_ns_per_px_1280x1024", scanFallback, "ns/px");
    report.AddSamples("memcpy_ns_per_px_1280x1024", copies, "ns/px", "4 bytes per pixel");
    if (!bAgree)
        context.Fail("overlay", "the locked scan and the per-pixel scan disagree");
}
