// BenchSteadySection.cpp: what the process holds after many frames and many
// start/stop cycles (growth after a warm-up), and how long Stop takes while
// pictures flow. Both against the simulator process, so that the counters see
// the client alone.
#include "KivoFrameCounter.h"
#include "BenchLiveSession.h"
#include "BenchPlatform.h"
#include "BenchSections.h"

#include <algorithm>

namespace
{
const double BENCH_STEADY_TIMEOUT_MS = 60000.0;

void ReportGrowth(CBenchContext& context, const std::string& strWhat, const CBenchResources& before,
                  const CBenchResources& after)
{
    CBenchReport& report = context.report;
    if (before.nHandles == 0 && after.nHandles == 0)
        report.AddUnavailable("steady_handles_growth_" + strWhat, "handles", "no handle count to be had here");
    else
        report.AddValue("steady_handles_growth_" + strWhat,
                        static_cast<double>(after.nHandles) - static_cast<double>(before.nHandles), "handles",
                        std::to_string(before.nHandles) + " before"
                            + (after.bHandlesFromSystemList
                                   ? "; GetProcessHandleCount answers 0 here, counted in the system handle list"
                                   : ""));
    if (before.nPrivateBytes == 0 && after.nPrivateBytes == 0)
        report.AddUnavailable("steady_private_kb_growth_" + strWhat, "KB",
                              "GetProcessMemoryInfo reports neither PrivateUsage nor PagefileUsage here");
    else
        report.AddValue(
            "steady_private_kb_growth_" + strWhat,
            (static_cast<double>(after.nPrivateBytes) - static_cast<double>(before.nPrivateBytes)) / 1024.0, "KB",
            after.bPrivateFromPagefile ? "PrivateUsage is 0 here; PagefileUsage (the same commit charge)" : "");
    if (before.nGdiObjects == 0 && after.nGdiObjects == 0)
        report.AddUnavailable("steady_gdi_objects_growth_" + strWhat, "objects",
                              "GetGuiResources returns 0 under Wine 8: no count of GDI objects");
    else
        report.AddValue("steady_gdi_objects_growth_" + strWhat,
                        static_cast<double>(after.nGdiObjects) - static_cast<double>(before.nGdiObjects), "objects");
}

// One start, a frame, one stop.
bool RunCycle(CBenchLiveSession& session, double* pdStopMs, LONG nFrames, std::string& strError)
{
    if (!session.StartLive(nFrames, strError))
        return false;
    return session.StopLive(pdStopMs, strError);
}
}

void RunSteadySection(CBenchContext& context)
{
    // A small picture at constant size keeps many frames affordable; the
    // overlay is drawn again now and then, so its copy is taken again too.
    CBenchLiveCase liveCase;
    liveCase.picture.nWidth = 160;
    liveCase.picture.nHeight = 120;
    liveCase.picture.nBytesPerPixel = 1;
    liveCase.picture.nFormat = 1;
    liveCase.eOverlay = BENCH_OVERLAY_MIXED;
    liveCase.rcArea = CRect(BENCH_AREA_LEFT, BENCH_AREA_TOP, BENCH_AREA_LEFT + 160, BENCH_AREA_TOP + 120);

    CBenchLiveSession session(context.window, nullptr);
    std::string strError;
    if (!session.Open(liveCase, strError) || !session.StartLive(context.plan.nSteadyWarmFrames, strError))
    {
        context.Fail("steady", strError);
        return;
    }
    const HWND hWnd = context.window.GetHwnd();
    const CBenchResources before = SampleResources();
    const LONG nStart = CKIVOFrameCounter::GetMark().nFrames;
    const double dStart = BenchNowMs();
    LONG nNextOverlay = nStart + 1000;
    bool bFlowing = true;
    while (bFlowing && CKIVOFrameCounter::GetMark().nFrames - nStart < context.plan.nSteadyFrames)
    {
        bFlowing = session.WaitForFrames(100, BENCH_STEADY_TIMEOUT_MS);
        if (CKIVOFrameCounter::GetMark().nFrames >= nNextOverlay)
        {
            InvalidateRect(hWnd, nullptr, FALSE);   // the application draws its overlay again
            nNextOverlay += 1000;
        }
    }
    const LONG nFrames = CKIVOFrameCounter::GetMark().nFrames - nStart;
    const double dSeconds = (BenchNowMs() - dStart) / 1000.0;
    const CBenchResources after = SampleResources();
    if (!bFlowing || !session.StopLive(nullptr, strError))
    {
        context.Fail("steady", bFlowing ? strError : "the live pictures stopped flowing");
        return;
    }
    context.report.AddValue("steady_frames", nFrames, "frames",
                            "160x120 grey with overlay, " + FormatFigure(nFrames / dSeconds) + " fps");
    ReportGrowth(context, "frames", before, after);

    // Start/stop cycles, after a few to warm up.
    for (int i = 0; i < context.plan.nWarmCycles; ++i)
        if (!RunCycle(session, nullptr, 1, strError))
        {
            context.Fail("steady", "cycle: " + strError);
            return;
        }
    const CBenchResources beforeCycles = SampleResources();
    for (int i = 0; i < context.plan.nCycles; ++i)
        if (!RunCycle(session, nullptr, 1, strError))
        {
            context.Fail("steady", "cycle: " + strError);
            return;
        }
    const CBenchResources afterCycles = SampleResources();
    context.report.AddValue("steady_cycles", context.plan.nCycles, "cycles", "Start, one frame, Stop");
    ReportGrowth(context, "cycles", beforeCycles, afterCycles);
    session.Close();
}

void RunStopSection(CBenchContext& context)
{
    CBenchLiveCase liveCase;
    liveCase.picture.nWidth = BENCH_AREA_WIDTH;
    liveCase.picture.nHeight = BENCH_AREA_HEIGHT;
    liveCase.picture.nBytesPerPixel = 1;
    liveCase.picture.nFormat = 1;
    liveCase.eOverlay = BENCH_OVERLAY_MIXED;
    liveCase.rcArea = GetBenchArea();

    CBenchLiveSession session(context.window, nullptr);
    std::string strError;
    if (!session.Open(liveCase, strError))
    {
        context.Fail("stop", strError);
        return;
    }
    std::vector<double> stops, passes;
    for (int i = 0; i < context.plan.nStops; ++i)
    {
        // Pictures flow; the stop falls at some point of a pass.
        if (!session.StartLive(1, strError))
            break;
        const CKIVOFrameMark first = CKIVOFrameCounter::GetMark();
        if (!session.WaitForFrames(3, 60000.0))
        {
            strError = "no live pictures";
            break;
        }
        const CKIVOFrameMark last = CKIVOFrameCounter::GetMark();
        passes.push_back((last.dLastMs - first.dLastMs) / (last.nFrames - first.nFrames));
        PumpMessagesFor((i * 7) % 23);
        double dStopMs = 0.0;
        if (!session.StopLive(&dStopMs, strError))
            break;
        stops.push_back(dStopMs);
    }
    session.Close();
    if (static_cast<int>(stops.size()) < context.plan.nStops)
    {
        context.Fail("stop", strError);
        return;
    }
    context.report.AddSamples("stop_latency_ms", stops, "ms",
                              "640x480 grey with overlay, " + std::to_string(stops.size()) + " stops");
    context.report.AddValue("stop_latency_max_ms", *std::max_element(stops.begin(), stops.end()), "ms");
    context.report.AddSamples("stop_pass_ms", passes, "ms", "time between frames while the stops were measured");
}
