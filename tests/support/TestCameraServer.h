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
#include <KivoHandle.h>

#include <array>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

struct CTestCall
{
    std::string strMethod;
    DWORD dwServerThreadId = 0;
    long nValue = 0;         // integer argument or VT_I4 value sent
    std::wstring strValue;   // text argument sent
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
    using CLock = std::lock_guard<std::mutex>;

    void Reset()
    {
        CLock lock(m_mutex);
        m_state = CState();
    }

    // Programming
    void SetResult(const std::string& strMethod, HRESULT hr) { SetEntry(&CState::mapResults, strMethod, hr); }
    // The result of GetPropVariant of that property only.
    void SetPropResult(long nProp, HRESULT hr) { SetEntry(&CState::mapPropResults, nProp, hr); }
    void SetIntProp(long nProp, long nValue)
    {
        CLock lock(m_mutex);
        StoreIntProp(nProp, nValue);
    }
    // Text getters answer a null BSTR; the integer getter answers VT_BSTR.
    void SetNullText(bool bNull) { SetField(&CState::bNullText, bNull); }
    void SetVariantText(bool bText) { SetField(&CState::bVariantText, bText); }
    void SetCreateResult(HRESULT hr) { SetField(&CState::hrCreate, hr); }
    void SetOffers(bool bCamera2, bool bCamera3) { SetField(&CState::abOffers, { bCamera2, bCamera3 }); }
    void SetPicture(const CTestPicture& picture, bool bDeliver = true) { SetPicture(false, picture, bDeliver); }
    void SetLivePicture(const CTestPicture& picture, bool bDeliver = true) { SetPicture(true, picture, bDeliver); }
    void SetTable(bool bMeasure, const std::vector<long>& values, bool bDeliver = true)
    {
        CLock lock(m_mutex);
        m_state.tables[bMeasure] = values;
        m_state.abDeliverTable[bMeasure] = bDeliver;
    }
    void SetOrderAnswer(long nOrdered) { SetField(&CState::nOrderAnswer, nOrdered); }
    void SetError(long nError, const std::wstring& strText)
    {
        CLock lock(m_mutex);
        m_state.nError = nError;
        m_state.strErrorText = strText;
    }
    // Shape of every array the server hands out (pictures and tables): element
    // type (VT_EMPTY: the method's own), dimensions (the elements split evenly
    // over them), lower bound; and an element count that a vector claims
    // beyond the data it holds (0: none). Such a vector reaches only a caller
    // in the server's own apartment: a marshaller would read the whole claim.
    struct CArrayShape
    {
        VARTYPE vtElement;
        int nDims;
        LONG nLowerBound;
        ULONG nClaimedElements = 0;
    };
    void SetArrayShape(VARTYPE vtElement, int nDims, LONG nLowerBound, ULONG nClaimedElements = 0)
    {
        SetField(&CState::shape, { vtElement, nDims, nLowerBound, nClaimedElements });
    }
    // Runs on the server's thread when the method is called, before it answers.
    void SetHook(const std::string& strMethod, const std::function<void()>& fnHook)
    {
        SetEntry(&CState::mapHooks, strMethod, fnHook);
    }

    // Recording
    // Gives the memory back too: the stress test counts the heap.
    void ClearCalls()
    {
        CLock lock(m_mutex);
        std::vector<CTestCall>().swap(m_state.calls);
    }
    std::vector<CTestCall> GetCalls() const { return GetField(&CState::calls); }
    std::vector<std::string> GetMethods() const;   // method names in call order
    size_t CountCalls(const std::string& strMethod) const;
    long GetIntProp(long nProp) const { return Find(GetField(&CState::mapIntProps), nProp, 0L); }
    std::wstring GetTextProp(long nProp) const { return Find(GetField(&CState::mapTextProps), nProp, std::wstring()); }
    std::vector<long> GetTable(bool bMeasure) const { return GetField(&CState::tables)[bMeasure]; }
    LONG GetObjectCount() const
    {
        CLock lock(m_mutex);
        return m_nObjects;
    }

private:
    friend class CTestCamera;
    friend class CTestCameraFactory;

    template <class TMap, class TValue>
    static TValue Find(const TMap& map, long nKey, const TValue& valueDefault)
    {
        auto it = map.find(nKey);
        return it == map.end() ? valueDefault : it->second;
    }
    void SetPicture(bool bLive, const CTestPicture& picture, bool bDeliver)
    {
        CLock lock(m_mutex);
        m_state.pictures[bLive] = picture;
        m_state.abDeliverPicture[bLive] = bDeliver;
    }
    void StoreIntProp(long nProp, long nValue)   // under the lock
    {
        m_state.mapIntProps[nProp] = nValue;
        m_state.mapTextProps.erase(nProp);
    }

    struct CState
    {
        std::map<std::string, HRESULT> mapResults;
        std::map<std::string, std::function<void()>> mapHooks;
        std::map<long, HRESULT> mapPropResults;
        std::map<long, long> mapIntProps;
        std::map<long, std::wstring> mapTextProps;
        bool bNullText = false;
        bool bVariantText = false;
        HRESULT hrCreate = S_OK;
        std::array<bool, 2> abOffers = { true, true };   // [0] camera 2, [1] camera 3
        CTestPicture pictures[2];                        // [0] still, [1] live
        bool abDeliverPicture[2] = { true, true };
        std::array<std::vector<long>, 2> tables;   // [0] search, [1] measure
        bool abDeliverTable[2] = { true, true };
        long nOrderAnswer = 1;
        long nError = 0;
        std::wstring strErrorText;
        CArrayShape shape = { VT_EMPTY, 1, 0 };
        std::vector<CTestCall> calls;
    };

    // A field or a map entry of the state, written or read under the lock.
    template <class TField>
    void SetField(TField CState::*pField, const TField& value)
    {
        CLock lock(m_mutex);
        m_state.*pField = value;
    }
    template <class TMap>
    void SetEntry(TMap CState::*pMap, const typename TMap::key_type& key, const typename TMap::mapped_type& value)
    {
        CLock lock(m_mutex);
        (m_state.*pMap)[key] = value;
    }
    template <class TField>
    TField GetField(TField CState::*pField) const
    {
        CLock lock(m_mutex);
        return m_state.*pField;
    }

    mutable std::mutex m_mutex;
    CState m_state;
    LONG m_nObjects = 0;   // survives Reset: objects outlive a test
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
    CKIVOHandle m_hThread;
    CKIVOHandle m_hReady;
    CKIVOHandle m_hQuit;
    bool m_bRegistered = false;
};
