// TestCameraServer.h: a scriptable in-process camera server for the tests.
//
// The server object lives in this process's multithreaded apartment and is
// registered as the camera server's class for local-server activation, so the
// client reaches it through real COM activation and every client thread talks
// to it through a proxy of its own apartment. Each call is recorded with the
// server-side thread it arrived on; results and values are programmable.
#pragma once

#include <windows.h>
#include <KivoCamera.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

struct CTestCall
{
    std::string strMethod;
    DWORD dwServerThreadId = 0;
    long nProp = -1;        // property number, where the call has one
    long nValue = 0;        // integer argument or VT_I4 value sent
    std::wstring strValue;  // text argument sent
    VARTYPE vt = VT_EMPTY;  // type of a variant sent
};

struct CTestPicture
{
    std::vector<BYTE> bytes;
    ULONG nWidth = 0;
    ULONG nHeight = 0;
    long nBytesPerPixel = 1;
    long nFormat = 1;
};

// Holds the lock of the script for a scope.
class CTestScriptLock
{
public:
    explicit CTestScriptLock(CRITICAL_SECTION& cs) : m_cs(cs) { EnterCriticalSection(&m_cs); }
    ~CTestScriptLock() { LeaveCriticalSection(&m_cs); }
    CTestScriptLock(const CTestScriptLock&) = delete;
    CTestScriptLock& operator=(const CTestScriptLock&) = delete;

private:
    CRITICAL_SECTION& m_cs;
};

// Everything the test programs into the server, and what the server recorded.
// All access goes through the lock; the server's calls arrive on RPC threads.
class CTestCameraScript
{
public:
    CTestCameraScript() { InitializeCriticalSection(&m_cs); }
    ~CTestCameraScript() { DeleteCriticalSection(&m_cs); }

    void Reset();

    // Programming
    void SetResult(const std::string& strMethod, HRESULT hr) { CTestScriptLock lock(m_cs); m_mapResults[strMethod] = hr; }
    // The result of GetPropVariant of that property only.
    void SetPropResult(long nProp, HRESULT hr) { CTestScriptLock lock(m_cs); m_mapPropResults[nProp] = hr; }
    void SetIntProp(long nProp, long nValue) { StoreIntProp(nProp, nValue); }
    // Text getters answer a null BSTR; the integer getter answers VT_BSTR.
    void SetNullText(bool bNull) { CTestScriptLock lock(m_cs); m_bNullText = bNull; }
    void SetVariantText(bool bText) { CTestScriptLock lock(m_cs); m_bVariantText = bText; }
    void SetCreateResult(HRESULT hr) { CTestScriptLock lock(m_cs); m_hrCreate = hr; }
    void SetOffers(bool bCamera2, bool bCamera3)
    {
        CTestScriptLock lock(m_cs);
        m_bOffersCamera2 = bCamera2;
        m_bOffersCamera3 = bCamera3;
    }
    void SetPicture(const CTestPicture& picture, bool bDeliver = true) { SetPicture(false, picture, bDeliver); }
    void SetLivePicture(const CTestPicture& picture, bool bDeliver = true) { SetPicture(true, picture, bDeliver); }
    void SetTable(bool bMeasure, const std::vector<long>& values, bool bDeliver = true)
    {
        CTestScriptLock lock(m_cs);
        m_tables[bMeasure] = values;
        m_abDeliverTable[bMeasure] = bDeliver;
    }
    void SetOrderAnswer(long nOrdered) { CTestScriptLock lock(m_cs); m_nOrderAnswer = nOrdered; }
    void SetError(long nError, const std::wstring& strText)
    {
        CTestScriptLock lock(m_cs);
        m_nError = nError;
        m_strErrorText = strText;
    }
    void SetServerState(tagEServerState eState) { CTestScriptLock lock(m_cs); m_eState = eState; }
    // Shape of every array the server hands out (pictures and tables): element
    // type (VT_EMPTY: the method's own), dimensions (the elements split evenly
    // over them), lower bound.
    struct CArrayShape
    {
        VARTYPE vtElement;
        int nDims;
        LONG nLowerBound;
    };
    void SetArrayShape(VARTYPE vtElement, int nDims, LONG nLowerBound)
    {
        CTestScriptLock lock(m_cs);
        m_shape = { vtElement, nDims, nLowerBound };
    }
    // Runs on the server's thread when the method is called, before it answers.
    void SetHook(const std::string& strMethod, const std::function<void()>& fnHook)
    {
        CTestScriptLock lock(m_cs);
        m_mapHooks[strMethod] = fnHook;
    }

    // Recording
    void ClearCalls() { CTestScriptLock lock(m_cs); std::vector<CTestCall>().swap(m_calls); }
    std::vector<CTestCall> GetCalls() const { CTestScriptLock lock(m_cs); return m_calls; }
    std::vector<std::string> GetMethods() const;     // method names in call order
    size_t CountCalls(const std::string& strMethod) const;
    long GetIntProp(long nProp) const;
    std::wstring GetTextProp(long nProp) const;
    std::vector<long> GetTable(bool bMeasure) const { CTestScriptLock lock(m_cs); return m_tables[bMeasure]; }
    LONG GetObjectCount() const { CTestScriptLock lock(m_cs); return m_nObjects; }

    // Used by the server objects
    HRESULT Record(const CTestCall& call);
    bool Offers(REFIID riid) const
    {
        CTestScriptLock lock(m_cs);
        return riid == IID_IKIVOCamera2 ? m_bOffersCamera2 : m_bOffersCamera3;
    }
    HRESULT GetCreateResult() const { CTestScriptLock lock(m_cs); return m_hrCreate; }
    HRESULT GetPropVariant(long nProp, VARIANT* pv);
    HRESULT GetPropText(long nProp, BSTR* pbstr);
    void StoreIntProp(long nProp, long nValue)
    {
        CTestScriptLock lock(m_cs);
        m_mapIntProps[nProp] = nValue;
        m_mapTextProps.erase(nProp);
    }
    void StoreTextProp(long nProp, const std::wstring& strValue) { CTestScriptLock lock(m_cs); m_mapTextProps[nProp] = strValue; }
    HRESULT MakeText(const std::wstring& strValue, BSTR* pbstr) const;
    bool GetPicture(bool bLive, CTestPicture& picture) const
    {
        CTestScriptLock lock(m_cs);
        picture = m_pictures[bLive];
        return m_abDeliverPicture[bLive];
    }
    bool GetTable(bool bMeasure, std::vector<long>& values) const
    {
        CTestScriptLock lock(m_cs);
        values = m_tables[bMeasure];
        return m_abDeliverTable[bMeasure];
    }
    void StoreTable(bool bMeasure, const std::vector<long>& values) { CTestScriptLock lock(m_cs); m_tables[bMeasure] = values; }
    long GetOrderAnswer() const { CTestScriptLock lock(m_cs); return m_nOrderAnswer; }
    void GetError(long& nError, std::wstring& strText) const
    {
        CTestScriptLock lock(m_cs);
        nError = m_nError;
        strText = m_strErrorText;
    }
    tagEServerState GetServerState() const { CTestScriptLock lock(m_cs); return m_eState; }
    CArrayShape GetArrayShape() const { CTestScriptLock lock(m_cs); return m_shape; }
    void AddObject(LONG nDelta) { CTestScriptLock lock(m_cs); m_nObjects += nDelta; }

private:
    void SetPicture(bool bLive, const CTestPicture& picture, bool bDeliver)
    {
        CTestScriptLock lock(m_cs);
        m_pictures[bLive] = picture;
        m_abDeliverPicture[bLive] = bDeliver;
    }

    mutable CRITICAL_SECTION m_cs;
    std::map<std::string, HRESULT> m_mapResults;
    std::map<std::string, std::function<void()>> m_mapHooks;
    std::map<long, HRESULT> m_mapPropResults;
    std::map<long, long> m_mapIntProps;
    std::map<long, std::wstring> m_mapTextProps;
    bool m_bNullText = false;
    bool m_bVariantText = false;
    HRESULT m_hrCreate = S_OK;
    bool m_bOffersCamera2 = true;
    bool m_bOffersCamera3 = true;
    CTestPicture m_pictures[2];            // [0] still, [1] live
    bool m_abDeliverPicture[2] = { true, true };
    std::vector<long> m_tables[2];         // [0] search, [1] measure
    bool m_abDeliverTable[2] = { true, true };
    long m_nOrderAnswer = 1;
    long m_nError = 0;
    std::wstring m_strErrorText;
    tagEServerState m_eState = SERVERSTATE_CLOSED;
    CArrayShape m_shape = { VT_EMPTY, 1, 0 };
    std::vector<CTestCall> m_calls;
    LONG m_nObjects = 0;
};

// Registers the test server for this process from a thread of its own in the
// multithreaded apartment; revokes it again on destruction.
class CTestCameraServer
{
public:
    CTestCameraServer();
    ~CTestCameraServer();

    bool IsRegistered() const { return m_bRegistered; }
    CTestCameraScript& Script() { return m_script; }

private:
    static DWORD WINAPI ServerThreadProc(LPVOID pParam);

    CTestCameraScript m_script;
    HANDLE m_hThread = nullptr;
    HANDLE m_hReady = nullptr;
    HANDLE m_hQuit = nullptr;
    bool m_bRegistered = false;
};
