// BenchCompositionSection.cpp: the composition of one picture, library against
// floor, per case and over the picture size.
#include "BenchFloor.h"
#include "BenchLibraryComposer.h"
#include "BenchPlatform.h"
#include "BenchSections.h"
#include "KivoWindowDC.h"

#include <algorithm>
#include <functional>

namespace
{
// One composition timed, with its steps.
struct CFrameTimes
{
    std::vector<double> frames;
    std::vector<std::vector<double>> steps;   // [step][frame]
    bool bOk = true;

    void Reset(int nSteps)
    {
        frames.clear();
        steps.assign(nSteps, std::vector<double>());
    }
    double Compose(const std::function<bool(double*)>& fnCompose)
    {
        double dSteps[8] = {};
        const double dStart = BenchNowMs();
        bOk = fnCompose(dSteps) && bOk;
        const double dMs = BenchNowMs() - dStart;
        frames.push_back(dMs);
        for (size_t j = 0; j < steps.size(); ++j)
            steps[j].push_back(dSteps[j]);
        return dMs;
    }
};

// The memcpy floor: the bytes one composition must move (read the picture
// and the overlay copy, write the result) copied with one memcpy between two
// buffers that are already in memory.
class CMemcpyFloor
{
public:
    void Prepare(size_t nBytes)
    {
        m_source.assign(nBytes, 0x5A);
        m_target.assign(nBytes, 0);
    }
    bool Copy()
    {
        memcpy(m_target.data(), m_source.data(), m_source.size());
        return m_target[m_target.size() / 2] == 0x5A;
    }

private:
    std::vector<BYTE> m_source, m_target;
};

// The two compositions of one case, ready to run, and the memcpy floor.
struct CCompositionPair
{
    CBenchLibraryComposer library;
    CBenchFloorMask mask;
    CBenchFloorComposer floor;
    CMemcpyFloor memcpyFloor;

    bool Prepare(CDC* pWindowDC, const CRect& rcArea, EBenchOverlay eOverlay)
    {
        const bool bOverlay = eOverlay != BENCH_OVERLAY_NONE;
        return library.PrepareOverlay(pWindowDC, rcArea, eOverlay)
               && (!bOverlay || mask.Create(pWindowDC->GetSafeHdc(), rcArea.Width(), rcArea.Height(), eOverlay))
               && floor.Prepare(pWindowDC->GetSafeHdc(), rcArea, bOverlay ? mask.Get() : nullptr,
                                Kivo::ColorRefToArgb(BENCH_KEY));
    }
};

// Samples of nRuns runs. Within a run library and floor take turns frame by
// frame (which one goes first alternates too), so the load of other processes
// on this shared machine falls on both alike; a run's figures are its median
// frames and the median of the frame-by-frame ratios, so a frame another
// process preempted does not count.
struct CCompositionRuns
{
    std::vector<double> library, floor, ratio;
    std::vector<double> memcpyFloor, memcpyRatio;                // with bMemcpy only
    std::vector<std::vector<double>> librarySteps, floorSteps;   // [step][run]
    bool bOk = true;
};

CCompositionRuns RunPairs(CCompositionPair& pair, CDC* pWindowDC, const CBenchPicture& picture, const CRect& rcArea,
                          int nRuns, double dRunMs, bool bMemcpy)
{
    CCompositionRuns runs;
    runs.librarySteps.assign(CBenchLibraryComposer::STEP_COUNT, std::vector<double>());
    runs.floorSteps.assign(CBenchFloorComposer::STEP_COUNT, std::vector<double>());
    HDC hWindowDC = pWindowDC->GetSafeHdc();
    auto composeLibrary = [&](double* pdSteps) { return pair.library.Compose(pWindowDC, picture, rcArea, pdSteps); };
    auto composeFloor = [&](double* pdSteps) {
        return pair.floor.Compose(hWindowDC, picture.bytes.data(), picture.nWidth, picture.nHeight,
                                  picture.nBytesPerPixel, pdSteps);
    };

    // Two frames of each first: caches, first-use allocations, the size of a run.
    auto composeMemcpy = [&](double*) { return pair.memcpyFloor.Copy(); };
    CFrameTimes library, floor, memcpyFloor;
    library.Reset(CBenchLibraryComposer::STEP_COUNT);
    floor.Reset(CBenchFloorComposer::STEP_COUNT);
    double dFrameMs = 0.0;
    for (int i = 0; i < 2; ++i)
        dFrameMs = library.Compose(composeLibrary) + floor.Compose(composeFloor);
    runs.bOk = library.bOk && floor.bOk;
    if (!runs.bOk)
        return runs;
    const int nFrames = (std::max)(3, static_cast<int>(dRunMs / (std::max)(dFrameMs, 0.01)));

    for (int nRun = 0; nRun < nRuns; ++nRun)
    {
        PumpMessagesFor(0.0);
        library.Reset(CBenchLibraryComposer::STEP_COUNT);
        floor.Reset(CBenchFloorComposer::STEP_COUNT);
        memcpyFloor.Reset(0);
        std::vector<double> ratios;
        for (int i = 0; i < nFrames; ++i)
        {
            double dLibraryMs, dFloorMs;
            if ((i + nRun) % 2 == 0)
            {
                dLibraryMs = library.Compose(composeLibrary);
                dFloorMs = floor.Compose(composeFloor);
            }
            else
            {
                dFloorMs = floor.Compose(composeFloor);
                dLibraryMs = library.Compose(composeLibrary);
            }
            ratios.push_back(dLibraryMs / dFloorMs);
            if (bMemcpy)
                memcpyFloor.Compose(composeMemcpy);
        }
        runs.bOk = runs.bOk && library.bOk && floor.bOk && memcpyFloor.bOk;
        if (bMemcpy)
        {
            runs.memcpyFloor.push_back(MedianOf(memcpyFloor.frames));
            runs.memcpyRatio.push_back(MedianOf(library.frames) / runs.memcpyFloor.back());
        }
        runs.library.push_back(MedianOf(library.frames));
        runs.floor.push_back(MedianOf(floor.frames));
        runs.ratio.push_back(MedianOf(ratios));
        for (int i = 0; i < CBenchLibraryComposer::STEP_COUNT; ++i)
            runs.librarySteps[i].push_back(MedianOf(library.steps[i]));
        for (int i = 0; i < CBenchFloorComposer::STEP_COUNT; ++i)
            runs.floorSteps[i].push_back(MedianOf(floor.steps[i]));
    }
    return runs;
}

// Least squares line through (x, y): slope and intercept.
void FitLine(const std::vector<double>& x, const std::vector<double>& y, double& dSlope, double& dIntercept)
{
    const size_t n = x.size();
    double dMeanX = 0.0, dMeanY = 0.0;
    for (size_t i = 0; i < n; ++i)
    {
        dMeanX += x[i] / n;
        dMeanY += y[i] / n;
    }
    double dSxy = 0.0, dSxx = 0.0;
    for (size_t i = 0; i < n; ++i)
    {
        dSxy += (x[i] - dMeanX) * (y[i] - dMeanY);
        dSxx += (x[i] - dMeanX) * (x[i] - dMeanX);
    }
    dSlope = dSxx > 0.0 ? dSxy / dSxx : 0.0;
    dIntercept = dMeanY - dSlope * dMeanX;
}
}

CRect GetBenchArea()
{
    return CRect(BENCH_AREA_LEFT, BENCH_AREA_TOP, BENCH_AREA_LEFT + BENCH_AREA_WIDTH,
                 BENCH_AREA_TOP + BENCH_AREA_HEIGHT);
}

namespace
{
// One case of the composition section: library, GDI+ floor and memcpy floor.
// dMemcpyTarget: the target of the memcpy ratio, 0 for none.
void MeasureCompositionCase(CBenchContext& context, CDC* pWindowDC, const CBenchPicture& picture, const CRect& rcArea,
                            const std::string& strKind, double dMemcpyTarget)
{
    for (EBenchOverlay eOverlay : { BENCH_OVERLAY_NONE, BENCH_OVERLAY_MIXED })
    {
        const std::string strCase = strKind + (eOverlay == BENCH_OVERLAY_NONE ? "_plain" : "_overlay");
        CCompositionPair pair;
        if (!pair.Prepare(pWindowDC, rcArea, eOverlay))
        {
            context.Fail("composition", strCase + ": could not prepare the compositions");
            continue;
        }
        // Read the picture (and the overlay copy), write the 32-bit result.
        const size_t nAreaBytes = static_cast<size_t>(rcArea.Width()) * rcArea.Height() * 4;
        pair.memcpyFloor.Prepare(picture.bytes.size() + (eOverlay != BENCH_OVERLAY_NONE ? nAreaBytes : 0) + nAreaBytes);
        CCompositionRuns runs = RunPairs(pair, pWindowDC, picture, rcArea, context.plan.nCompositionRuns,
                                         context.plan.dCompositionRunMs, true);
        if (!runs.bOk)
        {
            context.Fail("composition", strCase + ": a composition failed");
            continue;
        }
        CBenchReport& report = context.report;
        report.AddSamples("composition_ms_" + strCase, runs.library, "ms");
        report.AddSamples("composition_floor_ms_" + strCase, runs.floor, "ms");
        report.AddRatio("composition_ratio_" + strCase, runs.ratio, 1.05);
        report.AddSamples("composition_memcpy_ms_" + strCase, runs.memcpyFloor, "ms",
                          "memcpy of the bytes read and written");
        report.AddRatio("composition_memcpy_ratio_" + strCase, runs.memcpyRatio, dMemcpyTarget);
        if (eOverlay == BENCH_OVERLAY_NONE)
            continue;   // the steps of the overlay case include every step of the plain one
        for (int i = 0; i < CBenchLibraryComposer::STEP_COUNT; ++i)
            report.AddSamples("composition_step_ms_" + strCase + "_library_" + CBenchLibraryComposer::GetStepName(i),
                              runs.librarySteps[i], "ms");
        for (int i = 0; i < CBenchFloorComposer::STEP_COUNT; ++i)
            report.AddSamples("composition_step_ms_" + strCase + "_floor_" + CBenchFloorComposer::GetStepName(i),
                              runs.floorSteps[i], "ms");
    }
}
}

void RunCompositionSection(CBenchContext& context)
{
    CKIVOWindowDC windowDC(context.window.GetHwnd());
    if (windowDC.Get() == nullptr)
    {
        context.Fail("composition", "the window gave no DC");
        return;
    }
    const CRect rcArea = GetBenchArea();
    for (const CBenchPictureKind& kind : GetBenchPictureKinds())
    {
        const CBenchPicture picture = MakeBenchPicture(kind.nWidth, kind.nHeight, kind.bColour);
        MeasureCompositionCase(context, windowDC.Get(), picture, rcArea, picture.GetName(), 0.0);
    }

    // Pictures of the area's own size, composed without scaling: 1280x1024 in
    // a 1280x1024 area of a window of the screen's size (the 640x480 grey case
    // above is one as well).
    CBenchWindow window;
    if (!window.Create(BENCH_UNSCALED_WIDTH, BENCH_UNSCALED_HEIGHT))
    {
        context.Fail("composition", "the window for the unscaled cases could not be made");
        return;
    }
    CKIVOWindowDC largeDC(window.GetHwnd());
    if (largeDC.Get() == nullptr)
    {
        context.Fail("composition", "the window for the unscaled cases gave no DC");
        return;
    }
    PumpMessagesFor(50.0);
    for (bool bColour : { false, true })
    {
        const CBenchPicture picture = MakeBenchPicture(BENCH_UNSCALED_WIDTH, BENCH_UNSCALED_HEIGHT, bColour);
        const CRect rcLarge(0, 0, BENCH_UNSCALED_WIDTH, BENCH_UNSCALED_HEIGHT);
        MeasureCompositionCase(context, largeDC.Get(), picture, rcLarge, picture.GetName() + "_unscaled", 3.0);
    }
}

void RunScalingSection(CBenchContext& context)
{
    CKIVOWindowDC windowDC(context.window.GetHwnd());
    if (windowDC.Get() == nullptr)
    {
        context.Fail("scaling", "the window gave no DC");
        return;
    }
    // Every size is scaled down into the area: a picture of the area's own size
    // takes GDI+'s unscaled path, a smaller one its enlarging path, and neither
    // lies on the line of the others.
    static const SIZE s_sizes[] = { { 800, 600 },   { 1280, 1024 }, { 1600, 1200 },
                                    { 2048, 1536 }, { 1024, 768 },  { 2560, 2048 } };
    const int nSizes = std::min<int>(context.plan.nScalingSizes, sizeof(s_sizes) / sizeof(s_sizes[0]));
    const CRect rcArea = GetBenchArea();
    std::vector<double> pixels;
    std::vector<std::vector<double>> library, floor;   // [size][run]
    for (int i = 0; i < nSizes; ++i)
    {
        const CBenchPicture picture = MakeBenchPicture(s_sizes[i].cx, s_sizes[i].cy, false);
        CCompositionPair pair;
        CCompositionRuns runs;
        if (pair.Prepare(windowDC.Get(), rcArea, BENCH_OVERLAY_NONE))
            runs = RunPairs(pair, windowDC.Get(), picture, rcArea, context.plan.nScalingRuns,
                            context.plan.dScalingRunMs, false);
        if (!runs.bOk || runs.library.empty())
        {
            context.Fail("scaling", picture.GetName() + ": a composition failed");
            return;
        }
        context.report.AddSamples("scaling_ms_" + picture.GetName(), runs.library, "ms");
        context.report.AddSamples("scaling_floor_ms_" + picture.GetName(), runs.floor, "ms");
        pixels.push_back(static_cast<double>(picture.nWidth) * picture.nHeight);
        library.push_back(runs.library);
        floor.push_back(runs.floor);
    }

    // One line per run through every size; the slope is the cost of one more pixel.
    std::vector<double> librarySlopes, floorSlopes, libraryIntercepts, floorIntercepts, ratios;
    for (int nRun = 0; nRun < context.plan.nScalingRuns; ++nRun)
    {
        std::vector<double> libraryMs, floorMs;
        for (int i = 0; i < nSizes; ++i)
        {
            libraryMs.push_back(library[i][nRun]);
            floorMs.push_back(floor[i][nRun]);
        }
        double dLibrarySlope, dLibraryIntercept, dFloorSlope, dFloorIntercept;
        FitLine(pixels, libraryMs, dLibrarySlope, dLibraryIntercept);
        FitLine(pixels, floorMs, dFloorSlope, dFloorIntercept);
        librarySlopes.push_back(dLibrarySlope * 1e6);   // ms per pixel to ns per pixel
        floorSlopes.push_back(dFloorSlope * 1e6);
        libraryIntercepts.push_back(dLibraryIntercept);
        floorIntercepts.push_back(dFloorIntercept);
        ratios.push_back(dLibrarySlope / dFloorSlope);
    }
    CBenchReport& report = context.report;
    report.AddSamples("scaling_slope_ns_per_px", librarySlopes, "ns/px");
    report.AddSamples("scaling_floor_slope_ns_per_px", floorSlopes, "ns/px");
    report.AddRatio("scaling_slope_ratio", ratios, 0.0);
    report.AddSamples("scaling_intercept_ms", libraryIntercepts, "ms");
    report.AddSamples("scaling_floor_intercept_ms", floorIntercepts, "ms");
}
