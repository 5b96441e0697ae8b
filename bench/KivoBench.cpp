// KivoBench.cpp: how fast the library composes and paints the live picture,
// each figure against a floor written with the bare calls of the same work.
//
//   KivoBench.exe [--quick] [--json FILE] [--only SECTION,...]
//
// Sections: composition, overlay, scaling, live_inproc, pending, live_sim,
// steady, stop. The in-process sections register the test camera server in
// this process (as the tests do); the others need the camera simulator
// registered (KivoCameraSim.exe /RegServer). Exit code 0 when every section
// measured what it should, 1 when one could not, 2 for a bad command line.
// Figures that miss their targets are marked, but do not fail the run.
#include "KivoFrameCounter.h"
#include "BenchPlatform.h"
#include "BenchSections.h"
#include "TestCameraServer.h"
#include "KivoComInit.h"
#include "KivoComPtr.h"
#include "KivoGdiplus.h"

#include <cstdio>
#include <cstring>
#include <functional>

CBenchPlan CBenchPlan::Make(bool bQuick)
{
    CBenchPlan plan;
    // The full run takes about five minutes on a 2-core machine (longer while
    // other work loads it: the 10,000 steady frames alone take two); the
    // quick one (1 run of most things, only 640x480 live cases) under half a minute.
    plan.nCompositionRuns = bQuick ? 2 : 4;
    plan.dCompositionRunMs = bQuick ? 200.0 : 600.0;
    plan.nScalingRuns = bQuick ? 1 : 3;
    plan.dScalingRunMs = bQuick ? 150.0 : 300.0;
    plan.nScalingSizes = bQuick ? 4 : 6;
    plan.nOverlayRuns = bQuick ? 3 : 10;
    plan.nLiveRuns = bQuick ? 1 : 3;
    plan.nLiveKinds = bQuick ? 1 : 3;
    plan.dLiveRunMs = bQuick ? 400.0 : 600.0;
    plan.nLiveMinCount = bQuick ? 2 : 3;
    // A pending pass costs about half a millisecond of CPU, which Wine counts in
    // 10 ms ticks: a two-second run gives each side some twenty ticks.
    plan.dPendingRunMs = bQuick ? 400.0 : 2000.0;
    // 25 pictures/s: two seconds give 50 of the smaller pictures, and enough
    // 10 ms CPU ticks to divide among them.
    plan.dLiveCostRunMs = bQuick ? 500.0 : 2000.0;
    plan.nProbePasses = bQuick ? 50 : 300;
    plan.nSteadyWarmFrames = bQuick ? 30 : 100;
    plan.nSteadyFrames = bQuick ? 500 : 10000;
    plan.nWarmCycles = bQuick ? 3 : 10;
    plan.nCycles = bQuick ? 10 : 100;
    plan.nStops = bQuick ? 5 : 50;
    return plan;
}

bool CBenchContext::Runs(const char* pszSection) const
{
    if (strOnly.empty())
        return true;
    const std::string strList = "," + strOnly + ",";
    return strList.find("," + std::string(pszSection) + ",") != std::string::npos;
}

void CBenchContext::Fail(const std::string& strSection, const std::string& strError)
{
    ++nFailures;
    report.AddNote("FAILED " + strSection + ": " + strError);
}

namespace
{
int PrintUsage()
{
    fprintf(stderr, "usage: KivoBench.exe [--quick] [--json FILE] [--only SECTION,...]\n"
                    "sections: composition overlay scaling live_inproc pending live_sim live_cost steady stop\n");
    return 2;
}

// Holds one connection to the simulator while its sections run, so the
// simulator process does not end (and start again) between them.
class CSimulatorKeeper
{
public:
    CSimulatorKeeper()
    {
        CoCreateInstance(CLSID_KIVOCamera, nullptr, CLSCTX_LOCAL_SERVER, IID_IKIVOCamera, m_pCamera.Receive());
    }
    bool IsConnected() const { return !m_pCamera.IsNull(); }

private:
    CKIVOComPtr<IKIVOCamera> m_pCamera;
};

// Runs one section and notes how long it took.
// Runs the section when the command line asks for it, and notes how long it took.
void RunTimed(CBenchContext& context, const char* pszSection, const std::function<void()>& fnRun)
{
    if (!context.Runs(pszSection))
        return;
    const double dStart = BenchNowMs();
    fnRun();
    context.report.AddNote(std::string(pszSection) + " took " + FormatFigure((BenchNowMs() - dStart) / 1000.0) + " s");
}

void RunInProcessSections(CBenchContext& context)
{
    if (!context.Runs("live_inproc") && !context.Runs("pending"))
        return;
    CTestCameraServer server;
    if (!server.IsRegistered())
    {
        context.Fail("live_inproc", "the test camera server could not be registered");
        return;
    }
    RunTimed(context, "live_inproc", [&] { RunLiveSection(context, &server.Script()); });
    RunTimed(context, "pending", [&] { RunPendingSection(context, server.Script()); });
    server.Script().Reset();
}

void RunSimulatorSections(CBenchContext& context)
{
    if (!context.Runs("live_sim") && !context.Runs("live_cost") && !context.Runs("steady") && !context.Runs("stop"))
        return;
    CSimulatorKeeper keeper;
    if (!keeper.IsConnected())
    {
        context.Fail("live_sim", "the camera simulator is not reachable (KivoCameraSim.exe /RegServer)");
        return;
    }
    RunTimed(context, "live_sim", [&] { RunLiveSection(context, nullptr); });
    RunTimed(context, "live_cost", [&] { RunLiveCostSection(context); });
    RunTimed(context, "steady", [&] { RunSteadySection(context); });
    RunTimed(context, "stop", [&] { RunStopSection(context); });
}
}

int main(int argc, char** argv)
{
    // A console program has no CWinApp: MFC is set up here, before any use.
    if (!AfxWinInit(::GetModuleHandleW(nullptr), nullptr, ::GetCommandLineW(), 0))
        return 1;
    CBenchContext context;
    std::string strJson = "bench.json";
    for (int i = 1; i < argc; ++i)
    {
        if (strcmp(argv[i], "--quick") == 0)
            context.bQuick = true;
        else if (strcmp(argv[i], "--json") == 0 && i + 1 < argc)
            strJson = argv[++i];
        else if (strcmp(argv[i], "--only") == 0 && i + 1 < argc)
            context.strOnly = argv[++i];
        else
            return PrintUsage();
    }
    context.plan = CBenchPlan::Make(context.bQuick);
    const double dStart = BenchNowMs();

    // The main thread is an application's window thread: a single-threaded apartment.
    CKIVOComInit com(COINIT_APARTMENTTHREADED);
    int nResult = 0;
    {
        CKIVOGdiplusScope gdiplus;
        if (!context.window.Create(BENCH_AREA_LEFT * 2 + BENCH_AREA_WIDTH, BENCH_AREA_TOP * 2 + BENCH_AREA_HEIGHT))
        {
            fprintf(stderr, "KivoBench: the live window could not be made (no display?)\n");
            return 1;
        }
        if (!CKIVOFrameCounter::Install(GetModuleHandleW(nullptr), context.window.GetHwnd()))
            context.Fail("setup", "the frame counter could not route this program's BitBlt import");
        printf("# KivoBench%s: name value unit (median, min and max of the runs)\n", context.bQuick ? " --quick" : "");
        fflush(stdout);

        RunTimed(context, "composition", [&] { RunCompositionSection(context); });
        RunTimed(context, "overlay", [&] { RunOverlaySection(context); });
        RunTimed(context, "scaling", [&] { RunScalingSection(context); });
        RunInProcessSections(context);
        RunSimulatorSections(context);

        const double dSeconds = (BenchNowMs() - dStart) / 1000.0;
        const int nMissed = context.report.CountMissedTargets();
        context.report.AddNote(std::to_string(nMissed) + " figure(s) missed their targets; "
                               + std::to_string(context.nFailures) + " section failure(s); " + FormatFigure(dSeconds)
                               + " s");
        if (!context.report.WriteJson(strJson, context.bQuick, dSeconds))
        {
            fprintf(stderr, "KivoBench: could not write %s\n", strJson.c_str());
            nResult = 1;
        }
        if (context.nFailures > 0)
            nResult = 1;
    }
    return nResult;
}
