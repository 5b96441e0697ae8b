// BenchLibraryComposer.cpp: the library's composition of one picture.
#include "BenchLibraryComposer.h"
#include "BenchPlatform.h"
#include <utility>

const char* CBenchLibraryComposer::GetStepName(int nStep)
{
    static const char* const s_names[STEP_COUNT] = { "assign", "create", "free", "draw", "blit" };
    return nStep >= 0 && nStep < STEP_COUNT ? s_names[nStep] : "?";
}

CBenchLibraryComposer::CBenchLibraryComposer()
    : m_worker(nullptr)
{
    m_frames.dwKeyColor = Kivo::ColorRefToArgb(BENCH_KEY);
}

bool CBenchLibraryComposer::PrepareOverlay(CDC* pWindowDC, const CRect& rcArea, EBenchOverlay eOverlay)
{
    m_frames.mask.Reset();
    m_frames.bMaskHasKeyColor = 0;
    m_frames.bMaskAllKeyColor = 1;
    if (eOverlay == BENCH_OVERLAY_NONE)
        return true;

    CKIVOClientMaskPaintDC& device = m_worker.GetMaskPaintDevice();
    CRect rect(rcArea);
    if (!device.Lock(TRUE))
        return false;
    const BOOL bAssigned = device.Assign(pWindowDC, rect);
    if (bAssigned)
    {
        DrawBenchOverlay(&device, rect, eOverlay);
        device.UnAssign();
    }
    device.UnLock();
    if (!bAssigned)
        return false;

    int bHasKey = 0, bAllKey = 1;
    CKIVOFrame mask = m_worker.CopyMaskBitmap(pWindowDC, BENCH_KEY, &bHasKey, &bAllKey);
    if (mask.IsNull())
        return false;
    m_frames.mask = std::move(mask);
    m_frames.bMaskHasKeyColor = bHasKey;
    m_frames.bMaskAllKeyColor = bAllKey;
    return bHasKey && !bAllKey;
}

bool CBenchLibraryComposer::Compose(CDC* pWindowDC, const CBenchPicture& picture, const CRect& rcArea, double* pdStepMs)
{
    double dStamp[STEP_COUNT + 1];
    dStamp[0] = BenchNowMs();
    CRect rect(rcArea);
    if (!m_paintDC.Assign(pWindowDC, rect))
        return false;
    dStamp[1] = BenchNowMs();

    int nWidth = picture.nWidth, nHeight = picture.nHeight;
    int nBytesPerPixel = picture.nBytesPerPixel, nFormat = picture.nFormat;
    CKIVOFrame frame = CKIVOClientThread::CreatePictureBitmap(
        picture.bytes.data(), static_cast<ULONG>(picture.bytes.size()), &nWidth, &nHeight, &nBytesPerPixel, &nFormat);
    dStamp[2] = BenchNowMs();
    const bool bMade = !frame.IsNull();
    if (bMade)
        m_frames.picture = std::move(frame);   // the previous picture goes
    dStamp[3] = BenchNowMs();

    const BOOL bDrawn = bMade
                        && m_worker.ComposeLivePicture(&m_paintDC, m_frames.picture, &m_frames.mask, rect.left,
                                                       rect.top, rect.Width(), rect.Height(), m_frames.dwKeyColor,
                                                       m_frames.bMaskHasKeyColor, m_frames.bMaskAllKeyColor);
    dStamp[4] = BenchNowMs();
    m_paintDC.UnAssign();
    BOOL bBlitted = FALSE;
    if (bDrawn && m_paintDC.CanBlit(TRUE))
        bBlitted = m_paintDC.BlitToCDC(pWindowDC);
    dStamp[5] = BenchNowMs();

    if (pdStepMs != nullptr)
        for (int i = 0; i < STEP_COUNT; ++i)
            pdStepMs[i] += dStamp[i + 1] - dStamp[i];
    return bBlitted != FALSE;
}
