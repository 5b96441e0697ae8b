// KivoClient.h: the client library of the Kivo camera server.
//
// One CKIVOClient stands for one connection of this process to the camera
// server. Connect on a thread where COM is initialised; every other thread that
// calls the client calls ThreadAttach first and ThreadDetach last. Failures
// leave the camera members as CKIVOClientException*. The connection ends when
// the object is destroyed; Disconnect drops only the calling thread's interface.
#pragma once

#include <afxwin.h>
#include <afxmt.h>
#include <afxtempl.h>

#include <KivoClientExport.h>

#include <KivoCamera.h>

// The bit of value 4 in CONTROLFLAGS: the client draws the live picture itself.
// Init sets it; it belongs to the server, so every client of the server sees it.
const int KIVO_CLIENT_DRAWN_LIVE = 4;

#include <KivoClientException.h>
#include <KivoClientPaintDC.h>
#include <KivoClientMaskPaintDC.h>
#include <KivoClientThread.h>
#include <KivoThreadAttachTable.h>

class KIVOCLIENT_CLASS CKIVOClient
{
    friend class CKIVOClientThread;
    friend class CKIVOLiveRun;

public:
    // Names this client towards the server. Connect keeps it; Open writes it
    // to the property OWNER, and OrderCamera compares OWNER with it.
    enum EInterface
    {
        EINTERFACE_DEFAULT = 0,
        EINTERFACE_ACQUISITION = 1,
        EINTERFACE_MEASUREMENT = 2,
        EINTERFACE_SERVICE = 3,
        EINTERFACE_FORCE_DWORD = 0x7fffffff
    };

    CKIVOClient();
    virtual ~CKIVOClient();
    CKIVOClient(const CKIVOClient&) = delete;   // one object per connection
    CKIVOClient& operator=(const CKIVOClient&) = delete;

    // Connection
    void Connect(EInterface eInterface);
    void Connect();
    void Disconnect();   // this thread's interface only; IsConnected stays 1
    int IsConnected() const;

    // Per-thread interfaces
    void ThreadAttach();
    void ThreadDetach();

    // Camera commands
    void Open(int bClearFrames);
    void Close(int bClearFrames);
    void Init();   // first sets KIVO_CLIENT_DRAWN_LIVE in CONTROLFLAGS, on the server, for every client
    void Start(int bDiscardFrames);
    void Stop(int bDiscardFrames);   // 0 keeps the last picture for RedrawClientWindow
    void Update();
    void Reset();
    int OrderCamera();
    void ReleaseCamera();
    tagEServerState GetServerState();
    int IsOrdered() const;
    void EnablePollLivePictures(int bEnable);

    // Properties and the server's error state
    CString GetPropName(tagEMVP eProp);
    CString GetPropValue(tagEMVP eProp);
    int GetPropValueInt(tagEMVP eProp);
    void SetPropValue(tagEMVP eProp, CString strValue);
    void SetPropValueInt(tagEMVP eProp, int nValue);
    int GetError(CString* pstrErrorText);
    void ClearError();
    // The number of a name of tagEMVP ("LIVEWIDTH", in any case) and the name
    // of such a number, from the library itself: the server is not asked.
    // FALSE, or an empty text, for names and numbers that tagEMVP does not have.
    static BOOL FindProperty(LPCTSTR pszName, tagEMVP* peProp);
    static CString GetPropertyEnumName(tagEMVP eProp);

    // Pictures
    void AllocPicture(long nPicture);
    void GetPicture(long nPicture, void* pBuffer, int nSize, int* pnLength) const;
    void GetRGBPicture(void* pBuffer, int nSize, int* pnLength);
    int Get3DLivePicture(SAFEARRAY** ppsaPicture, unsigned long* pnWidth, unsigned long* pnHeight) const;

    // The overlay device and the repaint of the last live picture
    CKIVOClientMaskPaintDC* GetMaskPaintDC(CDC* pDC, CRect& rect);
    BOOL ReleaseMaskPaintDC();
    int RedrawClientWindow(HWND hWnd, CDC* pDC, int bBuffered);

    // Measure and search tables
    void SetMeasureTab(int* pnValues, int nCount);
    int GetMeasureTab(int* pnValues, int nCount);
    void SetSearchTab(int* pnValues, int nCount);
    int GetSearchTab(int* pnValues, int nCount);

protected:
    IKIVOCamera* GetICamera() const;
    IKIVOCamera3* GetICamera3() const;

    void CheckConnection(CString strContext) const;
    void HandleConnectionError(long hr, CString strContext) const;
    BOOL ReadLiveSizeCopy(IKIVOCamera* pCamera, tagEMVP eProp, int* pnValue);

    using SetTableCall = HRESULT (STDMETHODCALLTYPE IKIVOCamera::*)(SAFEARRAY*);
    using GetTableCall = HRESULT (STDMETHODCALLTYPE IKIVOCamera::*)(SAFEARRAY**);
    void SetTable(int* pnValues, int nCount, SetTableCall pfnSet, LPCTSTR pszName);
    int GetTable(int* pnValues, int nCount, GetTableCall pfnGet, LPCTSTR pszName);

protected:
    CKIVOClientThread m_Thread;
    EInterface m_eInterface;
    CMap<DWORD, DWORD, IKIVOCamera*, IKIVOCamera*> m_mapThreadInterfaces;
    IStream* m_pMarshalStream;
    mutable CCriticalSection m_csConnection;
    int m_bOrdered;
    int m_bMaskPaintDCInUse;
    int m_bPollLivePictures;
    // Beside each entry of m_mapThreadInterfaces, under m_csConnection: its
    // attach count and its thread, so that an entry of a thread that ended
    // without detaching is never used by a thread that gets its id.
    CKIVOThreadAttachTable m_ThreadAttaches;

private:
    // Entries whose threads ended go without a call through their pointers,
    // which belonged to those threads' apartments.
    void DropEndedThreadEntries();
};

namespace Kivo
{
// The camera's server state in words: "closed", "opened", "initialised",
// "started", "stopped", "in error", or "unknown" for a value the camera
// interface does not name.
inline LPCWSTR GetServerStateName(tagEServerState eState)
{
    switch (eState)
    {
    case SERVERSTATE_CLOSED: return L"closed";
    case SERVERSTATE_OPENED: return L"opened";
    case SERVERSTATE_INITIALIZED: return L"initialised";
    case SERVERSTATE_STARTED: return L"started";
    case SERVERSTATE_STOPPED: return L"stopped";
    case SERVERSTATE_ERROR: return L"in error";
    default: return L"unknown";
    }
}
}
