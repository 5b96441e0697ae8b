// BenchLiveSection.cpp: the live picture loop end to end, library against the
// floor loop, and the passes while the server has no picture.
#include "BenchLiveSession.h"
#include "BenchPlatform.h"
#include "BenchSections.h"

#include <algorithm>

namespace
{
// Library/floor pairs of one live case; the order alternates run by run.
struct CLivePairs
{
    std::vector<double> libraryRate, floorRate, rateRatio;
    std::vector<double> libraryCpu, floorCpu, cpuRatio;
    std::vector<double> libraryThreadCpu, floorThreadCpu, threadCpuRatio;
    LONG nComposed = 0;
    LONG nDelivered = 0;   // < 0: the server does not tell
    std::string strError;
};

bool RunLivePairs(CBenchContext& context, CBenchLiveSession& session, double dRunMs, CLivePairs& pairs)
{
    const LONG nMin = context.plan.nLiveMinCount;
    for (int nRun = 0; nRun < context.plan.nLiveRuns; ++nRun)
    {
        CBenchRate library, floor;
        const bool bOk = nRun % 2 == 0 ? session.MeasureLibrary(dRunMs, nMin, library, pairs.strError)
                                             && session.MeasureFloor(dRunMs, nMin, floor, pairs.strError)
                                       : session.MeasureFloor(dRunMs, nMin, floor, pairs.strError)
                                             && session.MeasureLibrary(dRunMs, nMin, library, pairs.strError);
        if (!bOk)
            return false;
        if (library.nCount < 1 || floor.nCount < 1)
        {
            pairs.strError = "a run counted nothing";
            return false;
        }
        pairs.libraryRate.push_back(library.GetPerSecond());
        pairs.floorRate.push_back(floor.GetPerSecond());
        pairs.rateRatio.push_back(floor.GetPerSecond() / library.GetPerSecond());   // library time per frame / floor's
        if (library.GetProcessCpuPerCount() >= 0 && floor.GetProcessCpuPerCount() > 0)
        {
            pairs.libraryCpu.push_back(library.GetProcessCpuPerCount());
            pairs.floorCpu.push_back(floor.GetProcessCpuPerCount());
            pairs.cpuRatio.push_back(library.GetProcessCpuPerCount() / floor.GetProcessCpuPerCount());
        }
        if (library.GetThreadCpuPerCount() >= 0 && floor.GetThreadCpuPerCount() > 0)
        {
            pairs.libraryThreadCpu.push_back(library.GetThreadCpuPerCount());
            pairs.floorThreadCpu.push_back(floor.GetThreadCpuPerCount());
            pairs.threadCpuRatio.push_back(library.GetThreadCpuPerCount() / floor.GetThreadCpuPerCount());
        }
        pairs.nComposed += library.nCount;
        if (library.nDelivered < 0 || pairs.nDelivered < 0)
            pairs.nDelivered = -1;
        else
            pairs.nDelivered += library.nDelivered;
    }
    return true;
}

// One live case in the benchmark's area; the picture served in-process, or
// only its size and format for the simulator, which makes its own pictures.
CBenchLiveCase MakeLiveCase(const CBenchPictureKind& kind, EBenchOverlay eOverlay, bool bInProcess)
{
    CBenchLiveCase liveCase;
    if (bInProcess)
        liveCase.picture = MakeBenchPicture(kind.nWidth, kind.nHeight, kind.bColour);
    else
    {
        liveCase.picture.nWidth = kind.nWidth;
        liveCase.picture.nHeight = kind.nHeight;
        liveCase.picture.nBytesPerPixel = kind.bColour ? 4 : 1;
        liveCase.picture.nFormat = kind.bColour ? 0 : 1;
    }
    liveCase.eOverlay = eOverlay;
    liveCase.rcArea = GetBenchArea();
    return liveCase;
}

std::string GetLiveCaseName(const CBenchLiveCase& liveCase)
{
    return liveCase.picture.GetName() + (liveCase.eOverlay == BENCH_OVERLAY_NONE ? "_plain" : "_overlay");
}
}

void RunLiveSection(CBenchContext& context, CTestCameraScript* pScript)
{
    const std::string strPrefix = pScript != nullptr ? "live_inproc" : "live_sim";
    std::vector<CBenchPictureKind> kinds = GetBenchPictureKinds();
    kinds.resize(std::min<size_t>(kinds.size(), context.plan.nLiveKinds));
    for (const CBenchPictureKind& kind : kinds)
        for (EBenchOverlay eOverlay : { BENCH_OVERLAY_NONE, BENCH_OVERLAY_MIXED })
        {
            const CBenchLiveCase liveCase = MakeLiveCase(kind, eOverlay, pScript != nullptr);
            const std::string strCase = GetLiveCaseName(liveCase);

            CBenchLiveSession session(context.window, pScript);
            std::string strError;
            CLivePairs pairs;
            if (!session.Open(liveCase, strError) || !RunLivePairs(context, session, context.plan.dLiveRunMs, pairs))
            {
                context.Fail(strPrefix, strCase + ": " + (strError.empty() ? pairs.strError : strError));
                continue;
            }
            session.Close();

            CBenchReport& report = context.report;
            report.AddSamples(strPrefix + "_fps_" + strCase, pairs.libraryRate, "fps");
            report.AddSamples(strPrefix + "_floor_fps_" + strCase, pairs.floorRate, "fps");
            report.AddRatio(strPrefix + "_ratio_" + strCase, pairs.rateRatio, 1.10);
            report.AddSamples(strPrefix + "_cpu_ms_per_frame_" + strCase, pairs.libraryCpu, "ms", "process CPU time");
            report.AddSamples(strPrefix + "_floor_cpu_ms_per_frame_" + strCase, pairs.floorCpu, "ms",
                              "process CPU time");
            report.AddRatio(strPrefix + "_cpu_ratio_" + strCase, pairs.cpuRatio, 1.10);
            report.AddSamples(strPrefix + "_thread_cpu_ms_per_frame_" + strCase, pairs.libraryThreadCpu, "ms",
                              "CPU time of the live picture thread");
            report.AddSamples(strPrefix + "_floor_thread_cpu_ms_per_frame_" + strCase, pairs.floorThreadCpu, "ms",
                              "CPU time of the floor loop's thread");
            report.AddRatio(strPrefix + "_thread_cpu_ratio_" + strCase, pairs.threadCpuRatio, 1.10);
            if (pairs.nDelivered >= 0 && pairs.nDelivered != pairs.nComposed)
                report.AddNote(strPrefix + " " + strCase + ": the server delivered " + std::to_string(pairs.nDelivered)
                               + " pictures while " + std::to_string(pairs.nComposed) + " frames were composed");
        }
}

void RunPendingSection(CBenchContext& context, CTestCameraScript& script)
{
    CBenchLiveCase liveCase;
    liveCase.picture = MakeBenchPicture(BENCH_AREA_WIDTH, BENCH_AREA_HEIGHT, false);
    liveCase.rcArea = GetBenchArea();
    liveCase.bPending = true;
    CBenchLiveSession session(context.window, &script);
    std::string strError;
    CLivePairs pairs;
    if (!session.Open(liveCase, strError) || !RunLivePairs(context, session, context.plan.dPendingRunMs, pairs))
    {
        context.Fail("pending", strError.empty() ? pairs.strError : strError);
        return;
    }
    // Where a pass's time goes: each part timed alone on an attached thread.
    std::vector<double> rawCalls, clientCalls, window, rawCallsCpu, clientCallsCpu, windowCpu;
    for (int nRun = 0; nRun < context.plan.nLiveRuns; ++nRun)
    {
        CBenchPassParts parts;
        if (!session.ProbePass(context.plan.nProbePasses, parts, strError))
        {
            context.Fail("pending", "probe: " + strError);
            return;
        }
        rawCalls.push_back(parts.dRawCallsUs);
        clientCalls.push_back(parts.dClientCallsUs);
        window.push_back(parts.dWindowUs);
        if (parts.dRawCallsCpuUs >= 0 && parts.dClientCallsCpuUs >= 0 && parts.dWindowCpuUs >= 0)
        {
            rawCallsCpu.push_back(parts.dRawCallsCpuUs);
            clientCallsCpu.push_back(parts.dClientCallsCpuUs);
            windowCpu.push_back(parts.dWindowCpuUs);
        }
    }
    session.Close();
    CBenchReport& report = context.report;
    report.AddSamples("pending_passes_per_s", pairs.libraryRate, "passes/s");
    report.AddSamples("pending_floor_passes_per_s", pairs.floorRate, "passes/s");
    report.AddRatio("pending_ratio", pairs.rateRatio, 1.10);
    report.AddSamples("pending_thread_cpu_ms_per_pass", pairs.libraryThreadCpu, "ms",
                      "CPU time of the live picture thread");
    report.AddSamples("pending_floor_thread_cpu_ms_per_pass", pairs.floorThreadCpu, "ms",
                      "CPU time of the floor loop's thread");
    report.AddRatio("pending_thread_cpu_ratio", pairs.threadCpuRatio, 1.10);
    report.AddSamples("pending_part_us_bare_calls", rawCalls, "us",
                      "6 property reads and the fetch through bare interface pointers");
    report.AddSamples("pending_part_us_client_calls", clientCalls, "us",
                      "the same reads through the client, as the live picture thread makes them");
    report.AddSamples(
        "pending_part_us_window", window, "us",
        "GetClientRect, the window DC, the overlay check (CopyMaskBitmap, nothing new) and the stop test");
    const char* pszCpu = "thread CPU time; 10 ms ticks spread over the probe's passes";
    report.AddSamples("pending_part_cpu_us_bare_calls", rawCallsCpu, "us", pszCpu);
    report.AddSamples("pending_part_cpu_us_client_calls", clientCallsCpu, "us", pszCpu);
    report.AddSamples("pending_part_cpu_us_window", windowCpu, "us", pszCpu);
}

void RunLiveCostSection(CBenchContext& context)
{
    std::vector<CBenchPictureKind> kinds = GetBenchPictureKinds();
    if (kinds.size() > static_cast<size_t>(context.plan.nLiveKinds))
        kinds.resize(context.plan.nLiveKinds);
    for (const CBenchPictureKind& kind : kinds)
        for (EBenchOverlay eOverlay : { BENCH_OVERLAY_NONE, BENCH_OVERLAY_MIXED })
        {
            CBenchLiveCase liveCase = MakeLiveCase(kind, eOverlay, false);
            liveCase.nSimFrameRate = 25;   // the simulator's default
            const std::string strCase = GetLiveCaseName(liveCase);

            CBenchLiveSession session(context.window, nullptr);
            std::string strError;
            std::vector<double> rate, calls, pending, cpu, threadCpu;
            bool bOk = session.Open(liveCase, strError);
            for (int nRun = 0; bOk && nRun < context.plan.nLiveRuns; ++nRun)
            {
                CBenchRate run;
                bOk = session.MeasureLibrary(context.plan.dLiveCostRunMs, context.plan.nLiveMinCount, run, strError);
                if (bOk && (run.nCount < 1 || run.nServerCalls < 0 || run.nPendingAnswers < 0))
                {
                    strError = "the simulator did not count (LIVECALLCOUNT, LIVEPENDINGCOUNT)";
                    bOk = false;
                }
                if (!bOk)
                    break;
                rate.push_back(run.GetPerSecond());
                calls.push_back(static_cast<double>(run.nServerCalls) / run.nCount);
                pending.push_back(static_cast<double>(run.nPendingAnswers) / run.nCount);
                if (run.GetProcessCpuPerCount() >= 0)
                    cpu.push_back(run.GetProcessCpuPerCount());
                if (run.GetThreadCpuPerCount() >= 0)
                    threadCpu.push_back(run.GetThreadCpuPerCount());
            }
            session.Close();
            if (!bOk)
            {
                context.Fail("live_cost", strCase + ": " + strError);
                continue;
            }
            CBenchReport& report = context.report;
            report.AddSamples("live_cost_fps_" + strCase, rate, "fps", "pictures displayed per second");
            report.AddSamples("live_cost_server_calls_per_picture_" + strCase, calls, "calls",
                              "calls the connection made per displayed picture, counted by the simulator");
            report.AddSamples("live_cost_pending_per_picture_" + strCase, pending, "passes",
                              "fetches answered E_PENDING per displayed picture");
            report.AddSamples("live_cost_cpu_ms_per_picture_" + strCase, cpu, "ms", "process CPU time");
            report.AddSamples("live_cost_thread_cpu_ms_per_picture_" + strCase, threadCpu, "ms",
                              "CPU time of the live picture thread");
        }
}
