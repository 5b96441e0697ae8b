// KivoClientThread.h: the live picture worker embedded in every CKIVOClient.
// Not exported: the application never calls it; it is declared here only
// because the client holds it by value.
#pragma once

#include <afxwin.h>
#include <afxmt.h>

#include <KivoCamera.h>
#include <KivoClientMaskPaintDC.h>
#include <KivoFrameSet.h>
#include <KivoGdiplusScope.h>
#include <KivoHandle.h>

class CKIVOClient;

class CKIVOClientThread
{
public:
    explicit CKIVOClientThread(CKIVOClient* pClient);
    virtual ~CKIVOClientThread();
    CKIVOClientThread(const CKIVOClientThread&) = delete;
    CKIVOClientThread& operator=(const CKIVOClientThread&) = delete;

    // The live picture thread
    BOOL StartThread(BOOL bDiscardFrames);
    BOOL StopThread(BOOL bDiscardFrames);
    BOOL IsThreadRunning();
    // Called by the live picture thread: its set-up is done (or given up),
    // and whether StopThread asked it to leave its loop.
    void SignalThreadStarted();
    BOOL IsStopRequested() const;

    // The live window given by the property LIVEWINDOW at Start; a new window
    // forgets the picture area, so the next live picture measures it anew.
    // The live window, the live display switch and the picture area are
    // written by the application's threads while the live picture thread reads
    // them: every access goes through these members, each field whole.
    void SetLiveWindow(HWND hWnd);
    HWND GetLiveWindow() const;
    void SetLiveDisplay(int bOn);
    BOOL IsLiveDisplayOn() const;

    // The picture area last painted (m_nLive...) with the live window's client
    // rectangle at that time, which the window redraw fits to a resized window;
    // ForgetLiveArea leaves no area, and the redraw then fills the window.
    void RememberLiveArea(HWND hWnd, int nLeft, int nTop, int nWidth, int nHeight);
    void ForgetLiveArea();
    void GetLiveArea(int* pnLeft, int* pnTop, int* pnWidth, int* pnHeight, RECT* prcClient) const;

    // Whether this platform lets the client draw the live picture: Windows 6
    // and later, or an older system where the registry allows it. Read anew
    // at every call.
    static BOOL IsClientDrawingAllowed();

    // The client-drawn live picture bit of CONTROLFLAGS, through the owning
    // client; without an owner it reads as clear and is never written.
    BOOL IsClientDrawnLive();
    void SetClientDrawnLive();

    // The client's copy of the live picture size (LIVEWIDTH, LIVEHEIGHT). A
    // dimension holds a value only once this client wrote it; until then
    // GetCachedLiveSize answers FALSE and the caller asks the server.
    BOOL GetCachedLiveSize(tagEMVP eProp, int* pnValue);
    void SetCachedLiveSize(tagEMVP eProp, int nValue);

    // The frame store. TakeFrames moves the stored set into an empty set of
    // the caller's; StoreFrames moves the caller's picture (when complete) and
    // mask (when present) into the store, and what the store held before goes.
    BOOL TakeFrames(CKIVOFrameSet& frames);
    BOOL StoreFrames(CKIVOFrameSet& frames);
    BOOL HasStoredPicture();
    void FreeFrames();
    void ClearFrames();
    // A copy of a server picture as a frame; an empty frame when the picture
    // cannot be made or its description does not fit the data. The frame's
    // GDI+ bitmap is made when the picture is first drawn through GDI+.
    static CKIVOFrame CreatePictureBitmap(const void* pData, ULONG nDataLength, const int* pnWidth, const int* pnHeight,
                                          const int* pnBytesPerPixel, const int* pnFormat);

    // Composition of a picture and the overlay copy, through GDI+
    BOOL DrawLivePicture(CDC* pDC, Gdiplus::Bitmap* pPicture, Gdiplus::Bitmap* pMask, int x, int y, int nWidth,
                         int nHeight, DWORD dwKeyColor, BOOL bMaskHasKeyColor, BOOL bMaskAllKeyColor);
    // A picture frame and an overlay copy frame (pMask may be null) into the
    // area of pDC as DrawLivePicture draws them: composed straight from the
    // frames' pixels when the picture has the area's size, else through GDI+.
    // The live picture loop and the window redraw compose this way.
    BOOL ComposeLivePicture(CDC* pDC, const CKIVOFrame& picture, const CKIVOFrame* pMask, int x, int y, int nWidth,
                            int nHeight, DWORD dwKeyColor, BOOL bMaskHasKeyColor, BOOL bMaskAllKeyColor);
    // A copy of the overlay when the application drew a new one, else an empty
    // frame; the flags are written only with a copy. The device's pixels are
    // read through pDC. The live window is asked to repaint (so that the
    // application draws its overlay) when there is no usable copy: nothing
    // drawn yet, a copy without the key colour, or no new overlay while the
    // caller holds no copy (bHoldsCopy FALSE). The live picture thread passes
    // the live window's DC of the pass it is in.
    CKIVOFrame CopyMaskBitmap(CDC* pDC, COLORREF crKeyColor, int* pbMaskHasKeyColor, int* pbMaskAllKeyColor,
                              BOOL bHoldsCopy = TRUE);
    // Invalidates the live window and posts it WM_PAINT.
    void RequestOverlayRepaint();
    // Forgets what was drawn into the overlay device since its last copy (it
    // was drawn for a live window that is no longer the live window).
    void DiscardOverlayDrawing();

    // Repaint of the stored picture while no live picture thread runs
    int RedrawLivePicture(HWND hWnd, CDC* pDC, int bBuffered);
    BOOL PaintLivePicture(CDC* pDC, int bBuffered);

    // Whether the worker has its client (the client-drawn live picture is
    // available on this system).
    BOOL HasClient() const { return m_pClient != nullptr; }
    // The overlay device that GetMaskPaintDC hands to the application.
    CKIVOClientMaskPaintDC& GetMaskPaintDevice() { return m_MaskPaintDC; }
    // The live picture thread's handle while one runs, else null; the worker
    // keeps it, and it stays valid until StopThread.
    HANDLE GetThreadHandle();

private:
    static DWORD WINAPI LiveThreadProc(LPVOID pParam);
    DWORD RunLiveThread();
    void CloseEndedThread();

    // The test support reads the frame store.
    friend class CKIVOClientThreadTestAccess;

    CKIVOGdiplusScope m_Gdiplus;   // first member: GDI+ outlives the stored frames
    CKIVOClient* m_pClient;
    CCriticalSection m_csThread;
    CCriticalSection m_csFrames;
    CCriticalSection m_csLiveSize;
    CKIVOHandle m_hThread;   // with the two events, under m_csThread
    DWORD m_dwThreadId;
    CKIVOHandle m_hStopEvent;
    CKIVOHandle m_hStartedEvent;
    HWND m_hWnd;
    int m_bLiveDisplay;
    int m_nLiveTop;
    int m_nLiveLeft;
    int m_nLiveHeight;
    int m_nLiveWidth;
    RECT m_rcLiveClient;
    int m_nCachedLiveWidth;
    int m_nCachedLiveHeight;
    int m_bHasCachedLiveWidth;
    int m_bHasCachedLiveHeight;
    CKIVOClientMaskPaintDC m_MaskPaintDC;
    CKIVOFrameSet m_Frames;   // the frame store, under m_csFrames
};
