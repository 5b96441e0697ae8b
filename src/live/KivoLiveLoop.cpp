// KivoLiveLoop.cpp: the live picture thread. Pass after pass, without
// sleeping, it reads the picture area, takes the live window's DC, refreshes
// its overlay copy through it, fetches the current picture, composes both off
// screen and puts the result into the window with one blit through the same DC.
//
// No exception ever leaves the thread. Where one is raised decides where the
// run goes on: in the set-up or the loop test it ends the run without storing;
// inside a pass it abandons that pass only.
#include "stdafx.h"
#include <KivoClient.h>
#include "KivoConfiguration.h"
#include "KivoGdiplus.h"
#include "KivoComPtr.h"
#include "KivoSafeArray.h"
#include "KivoWindowDC.h"

#include <mmsystem.h>
#include <utility>

namespace
{
struct CKIVOLiveArea
{
    int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
    COLORREF crKeyColor = 0;
};

// The picture area and key colour, read in the server's order.
CKIVOLiveArea ReadLiveArea(CKIVOClient* pClient)
{
    CKIVOLiveArea area;
    area.nTop = pClient->GetPropValueInt(LIVETOP);
    area.nLeft = pClient->GetPropValueInt(LIVELEFT);
    area.nHeight = pClient->GetPropValueInt(LIVEHEIGHT);
    area.nWidth = pClient->GetPropValueInt(LIVEWIDTH);
    area.crKeyColor = static_cast<COLORREF>(pClient->GetPropValueInt(LIVECOLOR));
    return area;
}

// The frame rate over windows of a little more than a second.
class CKIVOFrameRate
{
public:
    CKIVOFrameRate()
        : m_dFrames(0.0)
        , m_dRate(0.0)
        , m_dwWindowStart(timeGetTime())
    {
    }

    void CountFrame()
    {
        m_dFrames += 1.0;
        DWORD dwNow = timeGetTime();
        if (dwNow > static_cast<DWORD>(m_dwWindowStart + 1000))
        {
            m_dRate = m_dFrames / (static_cast<DWORD>(dwNow - m_dwWindowStart) / 1000.0);
            m_dwWindowStart = dwNow;
            m_dFrames = 0.0;
        }
    }
    double GetRate() const { return m_dRate; }

private:
    double m_dFrames;
    double m_dRate;
    DWORD m_dwWindowStart;
};

// "NO PIC!" or "ERROR!" straight into the window, in the window DC's own font
// and colours, below where the frame rate stands.
void DrawPictureError(CDC* pWindowDC, HRESULT hr, const CKIVOLiveArea& area)
{
    CString strText(hr == E_PENDING ? _T("NO PIC!") : _T("ERROR!"));
    CRect rcText(area.nLeft + 10, area.nTop + 50, area.nLeft + area.nWidth, area.nTop + area.nHeight);
    pWindowDC->DrawText(strText, &rcText, 0);
}
}

// An overlay copy that no picture on screen shows yet, with its flags and the
// live window whose overlay it copies. It joins the frame set in hand with the
// first picture composed over it, so that the set is always what was last on
// screen: most passes find no new picture, and a run may end after a copy
// and before the next picture.
struct CKIVOOverlayCopy
{
    CKIVOFrame mask;
    int bMaskHasKeyColor = 0;
    int bMaskAllKeyColor = 1;
    HWND hWnd = nullptr;
};

// One run of the live picture thread, between StartThread and its end.
class CKIVOLiveRun
{
public:
    CKIVOLiveRun(CKIVOClientThread& worker, CKIVOClient* pClient)
        : m_worker(worker)
        , m_pClient(pClient)
        , m_bShowFPS(Kivo::QueryShowFPS())
    {
    }

    bool SetUp(BOOL& bStartPending);
    bool RunLoop();
    void Finish(bool bStore);

private:
    bool TakeMaskCopy(CDC* pWindowDC, HWND hWnd);
    bool HoldsMaskCopyFor(HWND hWnd) const;
    void PaintPicture(CDC* pWindowDC, HWND hWnd);
    void DrawFrameRate();

    CKIVOClientThread& m_worker;
    CKIVOClient* m_pClient;
    const BOOL m_bShowFPS;
    CKIVOClientPaintDC m_paintDC;
    CKIVOComPtr<IKIVOCamera3> m_pCamera3;
    CKIVOFrameSet m_frames;   // the picture and overlay last on screen
    CKIVOOverlayCopy m_nextOverlay;
    HWND m_hOverlayWindow = nullptr;   // the live window the overlay device was last read for
    CKIVOLiveArea m_area;
    CKIVOFrameRate m_frameRate;
};

bool CKIVOLiveRun::SetUp(BOOL& bStartPending)
{
    m_pClient->ThreadAttach();
    HWND hFirstWindow = m_worker.GetLiveWindow();
    m_area = ReadLiveArea(m_pClient);
    m_frames.dwKeyColor = Kivo::ColorRefToArgb(m_area.crKeyColor);

    // The frame set of the previous run, adopted whole with its key and flags.
    CKIVOFrameSet stored;
    if (m_worker.TakeFrames(stored))
    {
        m_frames = std::move(stored);
        m_area.crKeyColor = Kivo::ArgbToColorRef(m_frames.dwKeyColor);
        m_hOverlayWindow = m_frames.hMaskWindow;
    }
    else
    {
        m_worker.ForgetLiveArea();
    }

    IKIVOCamera* pCamera = m_pClient->GetICamera();
    if (pCamera == nullptr || FAILED(Kivo::QueryInterfaceTo(pCamera, IID_IKIVOCamera3, m_pCamera3))
        || m_pCamera3.IsNull())
        return false;

    m_frameRate = CKIVOFrameRate();
    if (hFirstWindow != nullptr && m_area.nWidth > 0 && m_area.nHeight > 0)
    {
        CKIVOWindowDC windowDC(hFirstWindow);
        if (TakeMaskCopy(windowDC.Get(), hFirstWindow))
            m_worker.RememberLiveArea(hFirstWindow, m_area.nLeft, m_area.nTop, m_area.nWidth, m_area.nHeight);
    }
    m_worker.SignalThreadStarted();
    bStartPending = FALSE;
    return true;
}

// Takes a new overlay copy for the live window hWnd when the application drew
// its overlay again; returns whether it did.
//
// What the application draws belongs to the window it draws for. When the
// live window changes, a drawing not yet copied is dropped, and a copy made
// for another window counts as none: the new window is asked to repaint until
// the application has drawn its overlay there.
bool CKIVOLiveRun::TakeMaskCopy(CDC* pWindowDC, HWND hWnd)
{
    if (hWnd != m_hOverlayWindow)
    {
        if (m_hOverlayWindow != nullptr)
            m_worker.DiscardOverlayDrawing();
        m_hOverlayWindow = hWnd;
    }
    int bHasKey = 0, bAllKey = 1;
    CKIVOFrame mask = m_worker.CopyMaskBitmap(pWindowDC, m_area.crKeyColor, &bHasKey, &bAllKey, HoldsMaskCopyFor(hWnd));
    if (mask.IsNull())
        return false;
    m_nextOverlay.mask = std::move(mask);
    m_nextOverlay.bMaskHasKeyColor = bHasKey;
    m_nextOverlay.bMaskAllKeyColor = bAllKey;
    m_nextOverlay.hWnd = hWnd;
    return true;
}

bool CKIVOLiveRun::HoldsMaskCopyFor(HWND hWnd) const
{
    if (!m_nextOverlay.mask.IsNull())
        return m_nextOverlay.hWnd == hWnd;
    return !m_frames.mask.IsNull() && m_frames.hMaskWindow == hWnd;
}

bool CKIVOLiveRun::RunLoop()
{
    for (;;)
    {
        BOOL bConnected = m_pClient->IsConnected();
        BOOL bOrdered = m_pClient->IsOrdered();
        BOOL bDisplay = m_worker.IsLiveDisplayOn();
        BOOL bClientDrawn = m_worker.IsClientDrawnLive();
        // A live window that was destroyed will never show a picture again:
        // the run ends as when the connection is lost.
        HWND hLiveWindow = m_worker.GetLiveWindow();
        BOOL bWindowGone = hLiveWindow != nullptr && !IsWindow(hLiveWindow);
        if (!bConnected || !bOrdered || !bClientDrawn || bWindowGone)
            return true;

        if (bDisplay)
        {
            try
            {
                CKIVOLiveArea area = ReadLiveArea(m_pClient);
                const bool bResized = area.nHeight != m_area.nHeight || area.nWidth != m_area.nWidth;
                m_area = area;
                m_frames.dwKeyColor = Kivo::ColorRefToArgb(area.crKeyColor);
                HWND hWnd = m_worker.GetLiveWindow();

                // A new size makes the picture in hand useless; a move keeps it.
                // The size is the one this run last read: the remembered picture
                // area is also cleared when Start names another live window,
                // which is no new size. The overlay copy stays in window pixels
                // from the area's corner until the application, asked to
                // repaint, draws one for the new size.
                if (bResized)
                {
                    m_frames.picture.Reset();
                    m_worker.RequestOverlayRepaint();
                }
                m_worker.RememberLiveArea(hWnd, area.nLeft, area.nTop, area.nWidth, area.nHeight);

                if (hWnd != nullptr && area.nWidth > 0 && area.nHeight > 0)
                {
                    CKIVOWindowDC windowDC(hWnd);   // the one window DC of this pass
                    if (windowDC.Get() != nullptr)
                        PaintPicture(windowDC.Get(), hWnd);
                }
            }
            catch (CException* pException)
            {
                pException->Delete();   // the pass is abandoned; the next one begins
            }
        }
        if (m_worker.IsStopRequested())
            return true;
    }
}

void CKIVOLiveRun::PaintPicture(CDC* pWindowDC, HWND hWnd)
{
    TakeMaskCopy(pWindowDC, hWnd);

    CKIVOSafeArrayHolder picture;
    ULONG nWidth = 0, nHeight = 0;
    long nBytesPerPixel = 0, nFormat = 0;
    HRESULT hr = m_pCamera3->Get3DLivePicture(&picture, &nWidth, &nHeight, &nBytesPerPixel, &nFormat);
    if (FAILED(hr) || picture.Get() == nullptr)
    {
        if (m_bShowFPS)
            DrawPictureError(pWindowDC, hr, m_area);
        return;   // without the read-out the window keeps its last picture
    }
    picture.Lock();

    CRect rcArea(m_area.nLeft, m_area.nTop, m_area.nLeft + m_area.nWidth, m_area.nTop + m_area.nHeight);
    if (!m_paintDC.Assign(pWindowDC, rcArea))
        return;

    BOOL bDrawn = FALSE;
    try
    {
        int nPictureWidth = static_cast<int>(nWidth), nPictureHeight = static_cast<int>(nHeight);
        int nBytes = static_cast<int>(nBytesPerPixel), nPixelFormat = static_cast<int>(nFormat);
        ULONGLONG nDataBytes = picture.GetDataBytes();
        CKIVOFrame frame = CKIVOClientThread::CreatePictureBitmap(
            picture.GetData(), nDataBytes > MAXDWORD ? MAXDWORD : static_cast<ULONG>(nDataBytes), &nPictureWidth,
            &nPictureHeight, &nBytes, &nPixelFormat);
        if (!frame.IsNull())
        {
            m_frames.picture = std::move(frame);
            const bool bNextOverlay = !m_nextOverlay.mask.IsNull();
            if (bNextOverlay)
            {
                m_frames.mask = std::move(m_nextOverlay.mask);
                m_frames.bMaskHasKeyColor = m_nextOverlay.bMaskHasKeyColor;
                m_frames.bMaskAllKeyColor = m_nextOverlay.bMaskAllKeyColor;
                m_frames.hMaskWindow = m_nextOverlay.hWnd;
            }
            // A copy of another window's overlay is not laid over this window's picture.
            const CKIVOFrame* pMask = m_frames.hMaskWindow == hWnd ? &m_frames.mask : nullptr;
            if (m_worker.ComposeLivePicture(&m_paintDC, m_frames.picture, pMask, m_area.nLeft, m_area.nTop,
                                            m_area.nWidth, m_area.nHeight, m_frames.dwKeyColor,
                                            m_frames.bMaskHasKeyColor, m_frames.bMaskAllKeyColor))
            {
                bDrawn = TRUE;
                if (m_bShowFPS)
                    DrawFrameRate();
            }
        }
    }
    catch (CException* pException)
    {
        pException->Delete();
    }
    m_paintDC.UnAssign();
    if (bDrawn && m_paintDC.CanBlit(TRUE))
        m_paintDC.BlitToCDC(pWindowDC);
}

void CKIVOLiveRun::DrawFrameRate()
{
    m_frameRate.CountFrame();
    CString strText;
    strText.Format(_T("%.1f fps"), m_frameRate.GetRate());
    CRect rcText(m_area.nLeft + 10, m_area.nTop + 10, m_area.nLeft + m_area.nWidth, m_area.nTop + m_area.nHeight);
    m_paintDC.DrawText(strText, strText.GetLength(), &rcText, 0);
}

void CKIVOLiveRun::Finish(bool bStore)
{
    if (bStore)
    {
        try
        {
            m_worker.StoreFrames(m_frames);   // what the store does not take goes with the run
        }
        catch (CException* pException)
        {
            pException->Delete();
        }
    }
    m_pCamera3.Reset();
}

DWORD CKIVOClientThread::RunLiveThread()
{
    CKIVOClient* pClient = m_pClient;
    BOOL bStartPending = TRUE;
    if (pClient != nullptr)
    {
        CKIVOLiveRun run(*this, pClient);   // what it holds in hand goes with it
        {
            CKIVOGdiplusScope gdiplus;   // the thread's own GDI+, ended before it detaches
            bool bStore = false;
            try
            {
                if (run.SetUp(bStartPending))
                    bStore = run.RunLoop();
            }
            catch (CException* pException)
            {
                pException->Delete();   // set-up or loop test failed: nothing is stored
            }
            run.Finish(bStore);
        }
        try
        {
            pClient->ThreadDetach();
        }
        catch (CException* pException)
        {
            pException->Delete();
        }
    }
    if (bStartPending)
        SetEvent(m_hStartedEvent);
    return 0;
}

DWORD WINAPI CKIVOClientThread::LiveThreadProc(LPVOID pParam)
{
    return static_cast<CKIVOClientThread*>(pParam)->RunLiveThread();
}
