// Properties: the live size copy and its caps, the live display mirror, texts
// of the failures, and the server's error state.
#include "CameraTestFixture.h"

namespace
{
class Properties : public CameraTest
{
protected:
    void DrawLiveInClient(bool bLimited)
    {
        Script().SetIntProp(CONTROLFLAGS, KIVO_CLIENT_DRAWN_LIVE);
        Script().SetIntProp(LIMITEDSIZE, bLimited ? 1 : 0);
    }
    long SentInt(long nProp)
    {
        for (const CTestCall& call : Script().GetCalls())
            if (call.strMethod == "SetPropVariant" && call.nProp == nProp)
                return call.nValue;
        ADD_FAILURE() << "nothing sent for " << nProp;
        return -1;
    }
    std::wstring SentText(long nProp)
    {
        for (const CTestCall& call : Script().GetCalls())
            if (call.strMethod == "SetPropValue" && call.nProp == nProp)
                return call.strValue;
        ADD_FAILURE() << "nothing sent for " << nProp;
        return L"";
    }
};
}

// What the server gets and what the client reads back, with and without the caps.
TEST_F(Properties, LimitedSizesAreCappedForTheServerButKeptInTheCopy)
{
    const struct
    {
        bool bLimited;
        tagEMVP eProp;
        int nValue;
        long nSent;
    } cases[] = {
        { true, LIVEWIDTH, 800, 676 }, { true, LIVEWIDTH, 676, 676 },  { true, LIVEHEIGHT, 526, 525 },
        { true, LIVEHEIGHT, 525, 525 }, { false, LIVEWIDTH, 2000, 2000 }, { false, LIVEHEIGHT, 1500, 1500 },
    };
    for (const auto& c : cases)
    {
        Script().Reset();
        DrawLiveInClient(c.bLimited);
        m_client.SetPropValueInt(c.eProp, c.nValue);
        EXPECT_EQ(c.nSent, SentInt(c.eProp)) << c.nValue;
        EXPECT_EQ(c.nValue, m_client.GetPropValueInt(c.eProp));
        EXPECT_EQ(std::to_wstring(c.nValue), std::wstring(m_client.GetPropValue(c.eProp)));
    }
}

TEST_F(Properties, CapAppearsInTheFailureTextAndARefusedWriteKeepsTheCopy)
{
    DrawLiveInClient(true);
    m_client.SetPropValueInt(LIVEWIDTH, 300);
    Script().SetResult("SetPropVariant", E_FAIL);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.SetPropValueInt(LIVEWIDTH, 800); }, CEXC_CALL_FAILED,
                                L"SetPropValueInt eProp=24, iVal=676:0x80004005"));
    EXPECT_EQ(300, m_client.GetPropValueInt(LIVEWIDTH));
}

// The client-drawn bit is the server's, shared by every client: a dimension
// this client never wrote is read from the server.
TEST_F(Properties, CopyAnswersOnlyForWhatThisClientWrote)
{
    DrawLiveInClient(false);
    Script().SetIntProp(LIVEWIDTH, 320);
    Script().SetIntProp(LIVEHEIGHT, 240);
    EXPECT_EQ(320, m_client.GetPropValueInt(LIVEWIDTH));
    EXPECT_EQ(L"240", std::wstring(m_client.GetPropValue(LIVEHEIGHT)));
    m_client.SetPropValueInt(LIVEWIDTH, 500);
    Script().SetIntProp(LIVEWIDTH, 320);
    EXPECT_EQ(500, m_client.GetPropValueInt(LIVEWIDTH));
    EXPECT_EQ(240, m_client.GetPropValueInt(LIVEHEIGHT));
}

TEST_F(Properties, TextSizeIsCappedAsText)
{
    DrawLiveInClient(true);
    m_client.SetPropValue(LIVEWIDTH, _T("800"));
    EXPECT_EQ(L"676", SentText(LIVEWIDTH));
    EXPECT_EQ(800, m_client.GetPropValueInt(LIVEWIDTH));

    Script().SetResult("SetPropValue", E_INVALIDARG);
    Script().SetIntProp(LIVEHEIGHT, 240);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.SetPropValue(LIVEHEIGHT, _T("900")); },
                                CEXC_INVALID_ARGUMENT, L"SetPropValue eProp=25, sVal=525"));
    EXPECT_EQ(240, m_client.GetPropValueInt(LIVEHEIGHT));   // refused: still the server's
}

TEST_F(Properties, WithTheBitClearSizesGoToTheServerAndTheCopyStays)
{
    DrawLiveInClient(true);
    m_client.SetPropValueInt(LIVEWIDTH, 111);
    Script().SetIntProp(CONTROLFLAGS, 0);
    m_client.SetPropValueInt(LIVEWIDTH, 800);
    EXPECT_EQ(800, Script().GetIntProp(LIVEWIDTH));   // not capped
    Script().SetIntProp(LIVEWIDTH, 640);
    EXPECT_EQ(640, m_client.GetPropValueInt(LIVEWIDTH));
    EXPECT_EQ(111, m_client.CachedLiveSize(LIVEWIDTH));
}

TEST_F(Properties, SizeTestFailureIsReportedWithItsOwnText)
{
    Script().SetPropResult(CONTROLFLAGS, E_ACCESSDENIED);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetPropValueInt(LIVEHEIGHT); }, CEXC_ACCESS_DENIED,
                                L"GetPropValueInt CONTROLFLAGS"));
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetPropValue(LIVEWIDTH); }, CEXC_ACCESS_DENIED,
                                L"GetPropValueInt CONTROLFLAGS"));
    // The setters ask for the bit with the plain getter's text.
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.SetPropValueInt(LIVEWIDTH, 5); }, CEXC_ACCESS_DENIED,
                                L"GetPropValueInt"));
}

TEST_F(Properties, LiveDisplayMirrorsSuccessfulWrites)
{
    CKIVOClientThread& worker = m_client.Worker();
    m_client.SetPropValueInt(LIVEDISPLAY, 5);
    EXPECT_EQ(1, worker.m_bLiveDisplay);
    m_client.SetPropValueInt(LIVEDISPLAY, 0);
    EXPECT_EQ(0, worker.m_bLiveDisplay);
    m_client.SetPropValue(LIVEDISPLAY, _T("tRuE"));
    EXPECT_EQ(1, worker.m_bLiveDisplay);
    m_client.SetPropValue(LIVEDISPLAY, _T("1"));   // the server gets it, the mirror reads off
    EXPECT_EQ(0, worker.m_bLiveDisplay);
    EXPECT_EQ(L"1", Script().GetTextProp(LIVEDISPLAY));

    m_client.SetPropValue(LIVEDISPLAY, _T("TRUE"));
    Script().SetResult("SetPropVariant", E_FAIL);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.SetPropValueInt(LIVEDISPLAY, 0); }, CEXC_CALL_FAILED,
                                L"SetPropValueInt eProp=47, iVal=0:0x80004005"));
    EXPECT_EQ(1, worker.m_bLiveDisplay);
}

TEST_F(Properties, TextsRoundTripAndNullTextsReadEmpty)
{
    const std::wstring strText(L"Gain \x00e9\0 12", 10);   // an embedded NUL included
    m_client.SetPropValue(static_cast<tagEMVP>(77), CString(strText.data(), 10));
    EXPECT_EQ(strText, Script().GetTextProp(77));
    CString strRead = m_client.GetPropValue(static_cast<tagEMVP>(77));
    EXPECT_EQ(strText, std::wstring(strRead, strRead.GetLength()));
    EXPECT_EQ(L"Name 46", std::wstring(m_client.GetPropName(LIVECOLOR)));
    Script().SetNullText(true);
    EXPECT_TRUE(m_client.GetPropValue(static_cast<tagEMVP>(77)).IsEmpty());
    EXPECT_TRUE(m_client.GetPropName(LIVECOLOR).IsEmpty());
}

TEST_F(Properties, IntegersPassThroughUnchanged)
{
    m_client.SetPropValueInt(static_cast<tagEMVP>(1000), -123456);
    EXPECT_EQ(-123456, m_client.GetPropValueInt(static_cast<tagEMVP>(1000)));
    EXPECT_EQ(VT_I4, Script().GetCalls()[0].vt);
}

TEST_F(Properties, GetErrorAsksForTheTextOnlyWhenWanted)
{
    Script().SetError(0, L"");
    EXPECT_EQ(0, m_client.GetError(nullptr));
    Script().SetError(42, L"Sensor too hot");
    EXPECT_EQ(42, m_client.GetError(nullptr));
    EXPECT_EQ(0u, Script().CountCalls("GetErrorText"));

    CString strText;
    EXPECT_EQ(42, m_client.GetError(&strText));
    EXPECT_EQ(L"Sensor too hot", std::wstring(strText));
    const std::wstring strWithNul(L"hot\0er", 6);   // the text's full length, not up to its NUL
    Script().SetError(43, strWithNul);
    EXPECT_EQ(43, m_client.GetError(&strText));
    EXPECT_EQ(strWithNul, std::wstring(strText, strText.GetLength()));

    Script().SetResult("GetErrorText", E_OUTOFMEMORY);
    EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetError(&strText); }, CEXC_OUT_OF_MEMORY, L"GetError"));
}
