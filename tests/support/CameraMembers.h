// CameraMembers.h: every camera member of the client with the texts of its
// connection check and its failure report, for tests that go through them all.
#pragma once

#include "KivoTestSupport.h"

#include <functional>
#include <vector>

struct CMember
{
    const wchar_t* pszCheckText;   // the text of the connection check
    const char* pszMethod;         // the server method whose failure is mapped
    const wchar_t* pszFailText;    // the context text of that failure
    std::function<void(CTestableClient&)> fnCall;
};

inline const std::vector<CMember>& Members()
{
    static int s_anTable[4] = { 1, 2, 3, 4 };
    static BYTE s_abBuffer[16];
    static const std::vector<CMember> members = {
        { L"Close", "Close", L"Close", [](CTestableClient& c) { c.Close(0); } },
        { L"Init", "Init", L"Init", [](CTestableClient& c) { c.Init(); } },
        { L"Start", "Start", L"Start", [](CTestableClient& c) { c.Start(0); } },
        { L"Stop", "Stop", L"Stop", [](CTestableClient& c) { c.Stop(0); } },
        { L"Update", "Update", L"Update", [](CTestableClient& c) { c.Update(); } },
        { L"Reset", "Reset", L"Reset", [](CTestableClient& c) { c.Reset(); } },
        { L"OrderCamera", "OrderCamera", L"OrderCamera", [](CTestableClient& c) { c.OrderCamera(); } },
        { L"ReleaseCamera", "ReleaseCamera",
          L"ReleaseCamera",   // ordered first where it can be, so that the server is asked
          [](CTestableClient& c) {
              if (c.IsConnected() && !c.IsOrdered())
                  c.OrderCamera();
              c.ReleaseCamera();
          } },
        { L"GetServerState", "GetServerState", L"GetServerState", [](CTestableClient& c) { c.GetServerState(); } },
        { L"GetPropName", "GetPropName", L"GetPropName", [](CTestableClient& c) { c.GetPropName(OWNER); } },
        { L"GetPropValue", "GetPropValue", L"GetPropValue", [](CTestableClient& c) { c.GetPropValue(LIVECOLOR); } },
        { L"GetPropValueInt", "GetPropVariant", L"GetPropValueInt",
          [](CTestableClient& c) { c.GetPropValueInt(LIVECOLOR); } },
        { L"SetPropValueInt", "SetPropVariant", L"SetPropValueInt eProp=12, iVal=-7",
          [](CTestableClient& c) { c.SetPropValueInt(static_cast<tagEMVP>(12), -7); } },
        { L"SetPropValue", "SetPropValue", L"SetPropValue eProp=12, sVal=abc",
          [](CTestableClient& c) { c.SetPropValue(static_cast<tagEMVP>(12), _T("abc")); } },
        { L"GetError", "GetError", L"GetError", [](CTestableClient& c) { c.GetError(nullptr); } },
        { L"ClearError", "ClearError", L"ClearError", [](CTestableClient& c) { c.ClearError(); } },
        { L"AllocPicture", "AllocPicture", L"AllocPicture", [](CTestableClient& c) { c.AllocPicture(3); } },
        { L"GetPicture", "GetPicture", L"GetPicture",
          [](CTestableClient& c) { c.GetPicture(3, s_abBuffer, sizeof(s_abBuffer), nullptr); } },
        { L"GetRGBPicture", "GetRGBPicture", L"GetRGBPicture",
          [](CTestableClient& c) { c.GetRGBPicture(s_abBuffer, sizeof(s_abBuffer), nullptr); } },
        { L"SetMeasureTab", "SetMeasureTab", L"SetMeasureTab",
          [](CTestableClient& c) { c.SetMeasureTab(s_anTable, 4); } },
        { L"GetMeasureTab", "GetMeasureTab", L"GetMeasureTab",
          [](CTestableClient& c) { c.GetMeasureTab(s_anTable, 4); } },
        { L"SetSearchTab", "SetSearchTab", L"SetSearchTab", [](CTestableClient& c) { c.SetSearchTab(s_anTable, 4); } },
        { L"GetSearchTab", "GetSearchTab", L"GetSearchTab", [](CTestableClient& c) { c.GetSearchTab(s_anTable, 4); } },
    };
    return members;
}
