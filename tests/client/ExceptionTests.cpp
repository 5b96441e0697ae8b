// The client exception and the error vocabulary of the camera operations.
#include "KivoTestSupport.h"

namespace
{
std::wstring MessageWithCapacity(CKIVOClientException& exception, unsigned int nCapacity,
                                 int* pnResult = nullptr, unsigned int* pnHelp = nullptr)
{
    wchar_t szBuffer[64];
    wmemset(szBuffer, L'#', 64);
    int nResult = exception.GetErrorMessage(szBuffer, nCapacity, pnHelp);
    if (pnResult)
        *pnResult = nResult;
    return nCapacity == 0 ? std::wstring() : std::wstring(szBuffer);
}
}

// "<number> : CS ERROR : <text>", cut to capacity - 1; the result is always 1,
// a help context given is set to 0, and the auxiliary code plays no part.
TEST(ClientException, MessageJoinsNumberMarkerAndTextWithinTheCapacity)
{
    const struct
    {
        unsigned int nAux;
        CEXC_CAMERA_NUM eNumber;
        const wchar_t* pszText;
        unsigned int nCapacity;
        const wchar_t* pszExpected;
    } cases[] = {
        { 0, CEXC_NOT_CONNECTED, L"Close", 64, L"4 : CS ERROR : Close" },
        { 0, CEXC_NOT_CONNECTED, L"Close", 10, L"4 : CS ER" },
        { 0, CEXC_NOT_CONNECTED, L"Close", 1, L"" },
        { 0, CEXC_NOT_CONNECTED, L"Close", 20, L"4 : CS ERROR : Clos" },   // the terminator takes the last place
        { 0xDEADBEEF, CEXC_ACCESS_DENIED, L"Start", 64, L"8 : CS ERROR : Start" },
        { 0, CEXC_NO_PICTURE, L"GetPicture", 64, L"2 : CS ERROR : GetPicture" },
    };
    for (const auto& c : cases)
    {
        CKIVOClientException exception(c.nAux, c.eNumber, c.pszText);
        unsigned int nHelp = 1234;
        int nResult = 0;
        EXPECT_EQ(c.pszExpected, MessageWithCapacity(exception, c.nCapacity, &nResult, &nHelp)) << c.nCapacity;
        EXPECT_EQ(1, nResult);
        EXPECT_EQ(0u, nHelp);
        EXPECT_EQ(c.eNumber, exception.GetErrorNumber());
    }
}

TEST(ClientException, ShortMessageZeroFillsTheRestOfTheCapacity)
{
    CKIVOClientException exception(0, CEXC_NO_TABLE, _T("X"));
    wchar_t szBuffer[32];
    wmemset(szBuffer, L'#', 32);
    exception.GetErrorMessage(szBuffer, 30);
    EXPECT_STREQ(L"3 : CS ERROR : X", szBuffer);
    for (int i = 16; i < 30; ++i)
        EXPECT_EQ(L'\0', szBuffer[i]) << "at " << i;
    EXPECT_EQ(L'#', szBuffer[30]);   // nothing beyond the capacity
}

TEST(ClientException, ZeroCapacityOrNullBufferWritesNothingAndReturnsOne)
{
    CKIVOClientException exception(0, CEXC_CALL_FAILED, _T("Open:0x80004005"));
    wchar_t szBuffer[4] = { L'#', L'#', L'#', L'#' };
    EXPECT_EQ(1, exception.GetErrorMessage(szBuffer, 0));
    EXPECT_EQ(L'#', szBuffer[0]);
    unsigned int nHelp = 77;
    EXPECT_EQ(1, exception.GetErrorMessage(nullptr, 10, &nHelp));
    EXPECT_EQ(0u, nHelp);
}

TEST(ClientException, LongTextIsCarriedWhole)
{
    CString strText;
    for (int i = 0; i < 100; ++i)
        strText += _T("0123456789");
    CKIVOClientException exception(0, CEXC_CALL_FAILED, strText);
    std::vector<wchar_t> buffer(2000, L'#');
    exception.GetErrorMessage(buffer.data(), 2000);
    EXPECT_EQ(std::wstring(L"9 : CS ERROR : ") + static_cast<LPCWSTR>(strText), buffer.data());
}

TEST(ClientException, RuntimeClassRecord)
{
    const CRuntimeClass* pClass = RUNTIME_CLASS(CKIVOClientException);
    EXPECT_STREQ("CKIVOClientException", pClass->m_lpszClassName);
    EXPECT_EQ(0xFFFFu, pClass->m_wSchema);
    EXPECT_EQ(nullptr, pClass->m_pfnCreateObject);
    EXPECT_EQ(&CKIVOClientException::classCKIVOClientException, pClass);
    EXPECT_TRUE(pClass->IsDerivedFrom(RUNTIME_CLASS(CException)));

    CKIVOClientException exception(0, CEXC_NO_INTERFACE, _T("Connect"));
    EXPECT_EQ(pClass, exception.GetRuntimeClass());
    EXPECT_TRUE(exception.IsKindOf(RUNTIME_CLASS(CException)));
    EXPECT_TRUE(exception.IsKindOf(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(exception.IsKindOf(RUNTIME_CLASS(CMemoryException)));
}

TEST(ClientException, ConstOverloadOfCExceptionIsNotOverridden)
{
    const CKIVOClientException exception(0, CEXC_NO_INTERFACE, _T("Connect"));
    wchar_t szBuffer[16] = L"unchanged";
    EXPECT_FALSE(exception.GetErrorMessage(szBuffer, 16));
    EXPECT_STREQ(L"", szBuffer);
}

// ---------------------------------------------------------------------------
// Error reporting of the client: numbers and texts, thrown from the DLL.

TEST(ClientErrors, SuccessCodesThrowNothing)
{
    CTestableClient client;
    for (long hr : { 0L, 1L, 0x7FFFFFFFL, 0x00040200L })
        EXPECT_NO_THROW(client.HandleConnectionError(hr, _T("Open"))) << hr;
}

TEST(ClientErrors, KnownFailuresMapToTheirNumbersWithThePlainText)
{
    CTestableClient client;
    EXPECT_TRUE(ThrowsKivoError([&] { client.HandleConnectionError(E_ACCESSDENIED, _T("Start")); },
                                CEXC_ACCESS_DENIED, L"Start"));
    EXPECT_TRUE(ThrowsKivoError([&] { client.HandleConnectionError(E_HANDLE, _T("Stop")); },
                                CEXC_INVALID_HANDLE, L"Stop"));
    EXPECT_TRUE(ThrowsKivoError([&] { client.HandleConnectionError(E_OUTOFMEMORY, _T("GetPicture")); },
                                CEXC_OUT_OF_MEMORY, L"GetPicture"));
    EXPECT_TRUE(ThrowsKivoError([&] { client.HandleConnectionError(E_INVALIDARG, _T("Reset")); },
                                CEXC_INVALID_ARGUMENT, L"Reset"));
}

TEST(ClientErrors, OtherFailuresCarryTheResultInLowerCaseHex)
{
    CTestableClient client;
    EXPECT_TRUE(ThrowsKivoError([&] { client.HandleConnectionError(E_FAIL, _T("Open")); },
                                CEXC_CALL_FAILED, L"Open:0x80004005"));
    EXPECT_TRUE(ThrowsKivoError([&] { client.HandleConnectionError(0x800706BA, _T("Init")); },
                                CEXC_CALL_FAILED, L"Init:0x800706ba"));
    EXPECT_TRUE(ThrowsKivoError([&] { client.HandleConnectionError(E_PENDING, _T("SetPropValue eProp=1, sVal=x")); },
                                CEXC_CALL_FAILED, L"SetPropValue eProp=1, sVal=x:0x8000000a"));
    // Related codes of other facilities are not taken for the known ones.
    EXPECT_TRUE(ThrowsKivoError([&] { client.HandleConnectionError(0x80040005, _T("Close")); },
                                CEXC_CALL_FAILED, L"Close:0x80040005"));
}

TEST(ClientErrors, UnconnectedClientFailsTheConnectionCheckWithTheGivenText)
{
    CTestableClient client;
    EXPECT_EQ(0, client.IsConnected());
    EXPECT_TRUE(ThrowsKivoError([&] { client.CheckConnection(_T("GetServerState")); },
                                CEXC_NOT_CONNECTED, L"GetServerState"));
}

TEST(ClientErrors, ThrownExceptionIsCaughtAsCExceptionAndDeletes)
{
    CTestableClient client;
    bool bCaught = false;
    try
    {
        client.CheckConnection(_T("Close"));
    }
    catch (CException* pException)
    {
        bCaught = pException->IsKindOf(RUNTIME_CLASS(CKIVOClientException));
        pException->Delete();
    }
    EXPECT_TRUE(bCaught);
}
