// The live picture in a window of the application, with an overlay.
#include "GuideSnippets.h"

// snippet: start-live
// FALSE when another client has the camera: until it lets the camera go, the
// server refuses this client every command that changes the camera.
bool StartLivePicture(CKIVOClient& client, HWND hLiveWindow, const RECT& rcArea)
{
    if (!client.OrderCamera())
        return false;
    client.Open(1);   // writes this client's identity to OWNER; 1: forget pictures of earlier runs
    client.Init();    // sets the bit of value 4 in CONTROLFLAGS: the library draws the live picture itself
    client.SetPropValueInt(LIVEWINDOW, static_cast<int>(reinterpret_cast<INT_PTR>(hLiveWindow)));
    client.SetPropValueInt(LIVELEFT, rcArea.left);
    client.SetPropValueInt(LIVETOP, rcArea.top);
    client.SetPropValueInt(LIVEWIDTH, rcArea.right - rcArea.left);
    client.SetPropValueInt(LIVEHEIGHT, rcArea.bottom - rcArea.top);
    client.SetPropValueInt(LIVECOLOR, static_cast<int>(RGB(255, 0, 255)));   // the overlay's key colour
    client.SetPropValueInt(LIVEDISPLAY, 1);
    client.Start(1);   // 1: the stored pictures are emptied before the live picture thread starts
    return true;
}
// end snippet

// snippet: overlay
// In the live window's WM_PAINT handler.
void PaintLiveWindow(CKIVOClient& client, HWND hWnd, const RECT& rcArea)
{
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(hWnd, &ps);
    CDC dc;
    dc.Attach(hDC);
    CRect rect(rcArea);
    CKIVOClientMaskPaintDC* pMask = client.GetMaskPaintDC(&dc, rect);
    if (pMask != nullptr)
    {
        pMask->FillSolidRect(&rect, RGB(255, 0, 255));   // key colour: the picture shows through
        CPen pen(PS_SOLID, 1, RGB(255, 255, 0));
        CPen* pOldPen = pMask->SelectObject(&pen);
        pMask->MoveTo(rect.CenterPoint().x, rect.top);
        pMask->LineTo(rect.CenterPoint().x, rect.bottom);
        pMask->SelectObject(pOldPen);
        client.ReleaseMaskPaintDC();   // always, before anything else
    }
    else
    {
        client.RedrawClientWindow(hWnd, &dc, 1);   // no live thread: the last picture
    }
    dc.Detach();
    EndPaint(hWnd, &ps);
}
// end snippet

// snippet: stop-live
void StopLivePicture(CKIVOClient& client)
{
    client.Stop(0);           // 0: the last picture stays for RedrawClientWindow
    client.ReleaseCamera();   // other clients may order the camera now
}
// end snippet
