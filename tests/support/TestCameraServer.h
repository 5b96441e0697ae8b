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

// Everything the test programs into the server, and what the server recorded.
// All access goes through the lock; the server's calls arrive on RPC threads.
class CTestCameraScript
{
public:
    CTestCameraScript();
    ~CTestCameraScript();

    void Reset();

    // Programming
    void SetResult(const std::string& strMethod, HRESULT hr);
    void SetPropResult(long nProp, HRESULT hr);     // GetPropVariant of that property only
    void SetIntProp(long nProp, long nValue);
    void SetTextProp(long nProp, const std::wstring& strValue);
    void SetNullText(bool bNull);                   // text getters answer a null BSTR
    void SetVariantText(bool bText);                // integer getter answers VT_BSTR
    void SetCreateResult(HRESULT hr);
    void SetOffers(bool bCamera2, bool bCamera3);
    void SetPicture(const CTestPicture& picture, bool bDeliver = true);
    void SetLivePicture(const CTestPicture& picture, bool bDeliver = true);
    void SetTable(bool bMeasure, const std::vector<long>& values, bool bDeliver = true);
    void SetOrderAnswer(long nOrdered);
    void SetError(long nError, const std::wstring& strText);
    void SetServerState(tagEServerState eState);
    // Shape of every array the server hands out (pictures and tables): element
    // type, dimensions (the elements split evenly over them), lower bound.
    void SetArrayShape(VARTYPE vtElement, int nDims, LONG nLowerBound);
    struct CArrayShape
    {
        VARTYPE vtElement;   // VT_EMPTY: the method's own type
        int nDims;
        LONG nLowerBound;
    };
    CArrayShape GetArrayShape() const;
    // Runs on the server's thread when the method is called, before it answers.
    void SetHook(const std::string& strMethod, const std::function<void()>& fnHook);

    // Recording
    void ClearCalls();
    std::vector<CTestCall> GetCalls() const;
    std::vector<std::string> GetMethods() const;     // method names in call order
    size_t CountCalls(const std::string& strMethod) const;
    long GetIntProp(long nProp) const;
    std::wstring GetTextProp(long nProp) const;
    std::vector<long> GetTable(bool bMeasure) const;
    LONG GetObjectCount() const;

    // Used by the server objects
    HRESULT Record(const CTestCall& call);
    bool Offers(REFIID riid) const;
    HRESULT GetCreateResult() const;
    HRESULT GetPropVariant(long nProp, VARIANT* pv);
    HRESULT GetPropText(long nProp, BSTR* pbstr);
    void StoreIntProp(long nProp, long nValue);
    void StoreTextProp(long nProp, const std::wstring& strValue);
    HRESULT MakeText(const std::wstring& strValue, BSTR* pbstr) const;
    bool GetPicture(bool bLive, CTestPicture& picture) const;
    bool GetTable(bool bMeasure, std::vector<long>& values) const;
    void StoreTable(bool bMeasure, const std::vector<long>& values);
    long GetOrderAnswer() const;
    void GetError(long& nError, std::wstring& strText) const;
    tagEServerState GetServerState() const;
    void AddObject(LONG nDelta);

private:
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
    CTestPicture m_picture, m_livePicture;
    bool m_bDeliverPicture = true, m_bDeliverLive = true;
    std::vector<long> m_measureTable, m_searchTable;
    bool m_bDeliverMeasure = true, m_bDeliverSearch = true;
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
