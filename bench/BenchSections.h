// BenchSections.h: what one benchmark run measures, section by section, and
// the run's plan (how long and how often; --quick shortens everything).
#pragma once

#include <string>

#include "BenchReport.h"
#include "BenchWindow.h"

class CTestCameraScript;

struct CBenchPlan
{
    int nCompositionRuns;       // interleaved library/floor pairs per case
    double dCompositionRunMs;   // frames per run: about this long
    int nScalingRuns;
    double dScalingRunMs;
    int nScalingSizes;   // of the list of sizes, the first this many
    int nOverlayRuns;
    int nLiveRuns;       // library/floor pairs per live case
    int nLiveKinds;      // of the picture kinds, the first this many
    double dLiveRunMs;   // a measured stretch: at least this long ...
    int nLiveMinCount;   // ... and at least this many frames
    double dPendingRunMs;
    double dLiveCostRunMs;   // a live_cost stretch at the simulator's own 25 pictures/s
    int nProbePasses;        // passes per part when a pending pass is taken apart
    int nSteadyWarmFrames;
    int nSteadyFrames;
    int nWarmCycles;
    int nCycles;
    int nStops;

    static CBenchPlan Make(bool bQuick);
};

struct CBenchContext
{
    bool bQuick = false;
    std::string strOnly;   // comma-separated section names; empty: all
    CBenchPlan plan = CBenchPlan::Make(false);
    CBenchReport report;
    CBenchWindow window;
    int nFailures = 0;

    bool Runs(const char* pszSection) const;
    // A section that could not measure what it should: reported, and the run fails.
    void Fail(const std::string& strSection, const std::string& strError);
};

// The live picture's area in the benchmark's window for the full-size cases.
const int BENCH_AREA_LEFT = 16;
const int BENCH_AREA_TOP = 16;
const int BENCH_AREA_WIDTH = 640;
const int BENCH_AREA_HEIGHT = 480;
CRect GetBenchArea();
// The unscaled composition cases: pictures of this size into an area of it.
const int BENCH_UNSCALED_WIDTH = 1280;
const int BENCH_UNSCALED_HEIGHT = 1024;

// 1. The library's composition of one picture against the floor's.
void RunCompositionSection(CBenchContext& context);
// 5. Overlay copy and key colour scan of a 1280x1024 overlay, and memcpy for scale.
void RunOverlaySection(CBenchContext& context);
// 6. Composition time over the picture size.
void RunScalingSection(CBenchContext& context);
// 2 and 3. The live loop end to end against a server: pScript is the in-process
// test server's script, NULL the simulator.
void RunLiveSection(CBenchContext& context, CTestCameraScript* pScript);
// 4. Passes while the in-process server answers E_PENDING.
void RunPendingSection(CBenchContext& context, CTestCameraScript& script);
// What one displayed picture costs the live loop against the simulator at its
// default 25 pictures/s: server calls, E_PENDING passes, client CPU.
void RunLiveCostSection(CBenchContext& context);
// 7. Handles, private bytes and GDI objects over many frames and start/stop cycles.
void RunSteadySection(CBenchContext& context);
// 8. How long Stop takes while pictures flow.
void RunStopSection(CBenchContext& context);
