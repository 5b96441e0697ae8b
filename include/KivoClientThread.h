// KivoClientThread.h: the live picture worker embedded in every CKIVOClient.
// Not exported: the application never calls it; it is declared here only
// because the client holds it by value.
#pragma once

#include <afxwin.h>
#include <afxmt.h>

#include <KivoCamera.h>
#include <KivoClientMaskPaintDC.h>

namespace Gdiplus
{
class Bitmap;
class Color;
}

class CKIVOClient;
struct CKIVOGdiplusRecord;

// Bit value of CONTROLFLAGS that makes the client draw the live picture itself.
const int KIVO_CLIENT_DRAWN_LIVE = 4;

class CKIVOClientThread
{
public:
    explicit CKIVOClientThread(CKIVOClient* pClient);
    virtual ~CKIVOClientThread();

    // The live picture thread
    BOOL StartThread(BOOL bDiscardFrames);
    BOOL StopThread(BOOL bDiscardFrames);
    BOOL IsThreadRunning();

    // The live window given by the property LIVEWINDOW at Start; a new window
    // forgets the picture area, so the next live picture measures it anew.
    void SetLiveWindow(HWND hWnd);

    // The client-drawn live picture bit of CONTROLFLAGS, through the owning
    // client; without an owner it reads as clear and is never written.
    BOOL IsClientDrawnLive();
    void SetClientDrawnLive();

    // The client's copy of the live picture size (LIVEWIDTH, LIVEHEIGHT). A
    // dimension holds a value only once this client wrote it; until then
    // GetCachedLiveSize answers FALSE and the caller asks the server.
    BOOL GetCachedLiveSize(tagEMVP eProp, int* pnValue);
    void SetCachedLiveSize(tagEMVP eProp, int nValue);

    // The frame store
    BOOL TakeFrames(Gdiplus::Bitmap** ppPicture, BITMAPINFO** ppPictureInfo, void** ppPictureBits,
                    Gdiplus::Bitmap** ppMask, BITMAPINFO** ppMaskInfo, void** ppMaskBits,
                    DWORD* pdwKeyColor, int* pbMaskHasKeyColor, int* pbMaskAllKeyColor,
                    BOOL bTake);
    BOOL StoreFrames(Gdiplus::Bitmap* pPicture, BITMAPINFO* pPictureInfo, void* pPictureBits,
                     Gdiplus::Bitmap* pMask, BITMAPINFO* pMaskInfo, void* pMaskBits,
                     DWORD dwKeyColor, int bMaskHasKeyColor, int bMaskAllKeyColor);
    void FreeFrames();
    void ClearFrames();
    static Gdiplus::Bitmap* CreatePictureBitmap(const void* pData, ULONG nDataLength,
                                                const int* pnWidth,
                                                const int* pnHeight, const int* pnBytesPerPixel,
                                                const int* pnFormat, BITMAPINFO** ppInfo,
                                                void** ppBits);

    // Composition of a picture and the overlay copy
    BOOL DrawLivePicture(CDC* pDC, Gdiplus::Bitmap* pPicture, Gdiplus::Bitmap* pMask, int x, int y,
                         int nWidth, int nHeight, DWORD dwKeyColor, BOOL bMaskHasKeyColor,
                         BOOL bMaskAllKeyColor);
    Gdiplus::Bitmap* CopyWindowMaskBitmap(HWND hWnd, int nLeft, int nTop, int nWidth, int nHeight,
                                          COLORREF crKeyColor, int* pbMaskHasKeyColor,
                                          int* pbMaskAllKeyColor, BITMAPINFO** ppMaskInfo,
                                          void** ppMaskBits);
    Gdiplus::Bitmap* CopyMaskBitmap(CDC* pDC, int nLeft, int nTop, int nWidth, int nHeight,
                                    COLORREF crKeyColor, int* pbMaskHasKeyColor,
                                    int* pbMaskAllKeyColor, BITMAPINFO** ppMaskInfo,
                                    void** ppMaskBits);

    // Repaint of the stored picture while no live picture thread runs
    int RedrawLivePicture(HWND hWnd, CDC* pDC, int bBuffered);
    BOOL PaintLivePicture(CDC* pDC, int bBuffered);

private:
    static DWORD WINAPI LiveThreadProc(LPVOID pParam);
    DWORD RunLiveThread();
    void RequestOverlayRepaint();

public:
    CKIVOGdiplusRecord* m_pGdiplus;
    CKIVOClient* m_pClient;
    CCriticalSection m_csThread;
    CCriticalSection m_csFrames;
    CCriticalSection m_csLiveSize;
    HANDLE m_hThread;
    DWORD m_dwThreadId;
    HANDLE m_hStopEvent;
    HANDLE m_hStartedEvent;
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
    Gdiplus::Bitmap* m_pPicture;
    BITMAPINFO* m_pPictureInfo;
    void* m_pPictureBits;
    Gdiplus::Bitmap* m_pMask;
    BITMAPINFO* m_pMaskInfo;
    void* m_pMaskBits;
    Gdiplus::Color* m_pKeyColor;
    int m_bMaskHasKeyColor;
    int m_bMaskAllKeyColor;

private:
    CKIVOClientThread(const CKIVOClientThread&);
    CKIVOClientThread& operator=(const CKIVOClientThread&);
};
