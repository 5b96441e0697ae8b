// CDemoCamera.cpp: the demo's connection to the camera server.
#include "CDemoCamera.h"

namespace
{
// Where the library reads its switches (HKEY_LOCAL_MACHINE).
const wchar_t g_szSwitchKey[] = L"Software\\Velmora\\CADCAM\\Device\\Acquisition\\Camera";
const wchar_t g_szShowFpsValue[] = L"KivoClientShowFPS";

LONGLONG GetTicks()
{
    LARGE_INTEGER li;
    QueryPerformanceCounter(&li);
    return li.QuadPart;
}

LONGLONG GetTicksPerSecond()
{
    LARGE_INTEGER li;
    QueryPerformanceFrequency(&li);
    return li.QuadPart > 0 ? li.QuadPart : 1;
}
}

CDemoCamera::CDemoCamera()
    : m_bConnected(FALSE)
    , m_bLive(FALSE)
    , m_nLiveFormat(m_nFormatGrey)
    , m_sizePicture(0, 0)
    , m_nLiveStart(0)
    , m_nLiveTicks(0)
{
}

CDemoCamera::~CDemoCamera()
{
    // The application disconnects and reports; this is the last resort.
    try
    {
        Disconnect();
    }
    catch (CKIVOClientException* pException)
    {
        pException->Delete();
    }
}

void CDemoCamera::Connect(HWND hLiveWindow, COLORREF crKeyColor, int nLiveFormat)
{
    m_client.Connect(CKIVOClient::EINTERFACE_ACQUISITION);
    m_bConnected = TRUE;
    m_client.Open(1);
    m_client.Init();   // also makes the library draw the live picture itself
    if (!m_client.OrderCamera())
        throw new CKIVOClientException(0, CEXC_ACCESS_DENIED, L"OrderCamera: another client has ordered the camera");

    m_sizePicture.cx = m_client.GetPropValueInt(PICTUREWIDTH);
    m_sizePicture.cy = m_client.GetPropValueInt(PICTUREHEIGHT);

    // The property carries the handle as a 32-bit number; window handles fit.
    m_client.SetPropValueInt(LIVEWINDOW, static_cast<int>(reinterpret_cast<INT_PTR>(hLiveWindow)));
    m_client.SetPropValueInt(LIVECOLOR, static_cast<int>(crKeyColor));
    m_client.SetPropValueInt(LIVEFORMAT, nLiveFormat);
    m_nLiveFormat = nLiveFormat;
    m_client.SetPropValueInt(LIVEDISPLAY, 1);
}

BOOL CDemoCamera::IsConnected() const
{
    return m_bConnected;
}

CSize CDemoCamera::GetPictureSize() const
{
    return m_sizePicture;
}

void CDemoCamera::SetPictureArea(const CRect& rcArea)
{
    m_client.SetPropValueInt(LIVELEFT, rcArea.left);
    m_client.SetPropValueInt(LIVETOP, rcArea.top);
    m_client.SetPropValueInt(LIVEWIDTH, rcArea.Width());
    m_client.SetPropValueInt(LIVEHEIGHT, rcArea.Height());
}

void CDemoCamera::StartLive()
{
    if (m_bLive)
        return;
    try
    {
        m_client.Start(0);
    }
    catch (CKIVOClientException*)
    {
        // The library starts its live picture thread before the server's
        // Start; when that fails the thread must still be ended.
        try
        {
            m_client.Stop(0);
        }
        catch (CKIVOClientException* pException)
        {
            pException->Delete();
        }
        throw;
    }
    m_bLive = TRUE;
    m_nLiveStart = GetTicks();
}

void CDemoCamera::StopLive()
{
    if (!m_bLive)
        return;
    // The run is over even when the server's Stop fails: the library ends its
    // live picture thread before that call.
    m_bLive = FALSE;
    CKIVOClientException* pFailure = nullptr;
    try
    {
        m_client.Stop(0);
    }
    catch (CKIVOClientException* pException)
    {
        pFailure = pException;
    }
    m_nLiveTicks += GetTicks() - m_nLiveStart;
    if (pFailure != nullptr)
        throw pFailure;
}

BOOL CDemoCamera::IsLive() const
{
    return m_bLive;
}

void CDemoCamera::SetLiveFormat(int nLiveFormat)
{
    if (nLiveFormat == m_nLiveFormat)
        return;
    const BOOL bWasLive = m_bLive;
    StopLive();
    m_client.SetPropValueInt(LIVEFORMAT, nLiveFormat);
    m_nLiveFormat = nLiveFormat;
    if (bWasLive)
        StartLive();
}

int CDemoCamera::GetLiveFormat() const
{
    return m_nLiveFormat;
}

tagEServerState CDemoCamera::QueryState()
{
    return m_client.GetServerState();
}

int CDemoCamera::ReadFramesShown()
{
    return m_client.GetPropValueInt(LIVEFRAMECOUNT);
}

double CDemoCamera::GetLiveSeconds() const
{
    const LONGLONG nTicks = m_nLiveTicks + (m_bLive ? GetTicks() - m_nLiveStart : 0);
    return static_cast<double>(nTicks) / static_cast<double>(GetTicksPerSecond());
}

void CDemoCamera::Disconnect()
{
    if (!m_bConnected)
        return;
    m_bConnected = FALSE;

    // Every step is tried; the first camera error is thrown once all were.
    CKIVOClientException* pFirst = nullptr;
    auto fnTry = [&pFirst](auto fnStep) {
        try
        {
            fnStep();
        }
        catch (CKIVOClientException* pException)
        {
            if (pFirst == nullptr)
                pFirst = pException;
            else
                pException->Delete();
        }
    };
    fnTry([this] { StopLive(); });
    fnTry([this] { m_client.ReleaseCamera(); });
    fnTry([this] { m_client.Close(0); });
    m_client.Disconnect();
    if (pFirst != nullptr)
        throw pFirst;
}

CKIVOClient& CDemoCamera::GetClient()
{
    return m_client;
}

BOOL CDemoCamera::EnableFrameRateReadout(CString& strError)
{
    // Machine-wide: on Windows writing it needs administrator rights.
    HKEY hKey = nullptr;
    LONG nResult =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, g_szSwitchKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &hKey, nullptr);
    if (nResult == ERROR_SUCCESS)
    {
        const DWORD dwOn = 1;
        nResult =
            RegSetValueExW(hKey, g_szShowFpsValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwOn), sizeof(dwOn));
        RegCloseKey(hKey);
    }
    if (nResult == ERROR_SUCCESS)
        return TRUE;

    wchar_t szReason[256] = L"";
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(nResult), 0,
                   szReason, 256, nullptr);
    CString strReason(szReason);
    strReason.TrimRight();
    strError.Format(L"Cannot write HKEY_LOCAL_MACHINE\\%s\\%s (error %ld: %s)", g_szSwitchKey, g_szShowFpsValue,
                    nResult, static_cast<LPCWSTR>(strReason));
    return FALSE;
}
