// The client exception, and the numbers and texts the client gives to the
// results of server calls that every camera member shares.
#include "KivoTestSupport.h"

// "<number> : CS ERROR : <text>", cut to capacity - 1 and zero-filled up to the
// capacity, never beyond; the result is always 1, a help context given is set
// to 0, and the auxiliary code plays no part.
TEST(ClientException, MessageFillsExactlyTheCapacity)
{
    // clang-format off
    const struct { unsigned int nAux; CEXC_CAMERA_NUM eNumber; unsigned int nCapacity; const wchar_t* pszExpected; }
        cases[] = {
        { 0, CEXC_NOT_CONNECTED, 30, L"4 : CS ERROR : Close" },
        { 0, CEXC_NOT_CONNECTED, 10, L"4 : CS ER" },
        { 0, CEXC_NOT_CONNECTED, 20, L"4 : CS ERROR : Clos" },   // the terminator takes the last place
        { 0, CEXC_NOT_CONNECTED, 1, L"" },
        { 0xDEADBEEF, CEXC_ACCESS_DENIED, 30, L"8 : CS ERROR : Close" },
    };
    // clang-format on
    for (const auto& c : cases)
    {
        SCOPED_TRACE(::testing::PrintToString(std::wstring(c.pszExpected)));
        CKIVOClientException exception(c.nAux, c.eNumber, _T("Close"));
        wchar_t szBuffer[32];
        wmemset(szBuffer, L'#', 32);
        unsigned int nHelp = 1234;
        EXPECT_EQ(1, exception.GetErrorMessage(szBuffer, c.nCapacity, &nHelp));
        EXPECT_EQ(0u, nHelp);
        EXPECT_STREQ(c.pszExpected, szBuffer);
        for (size_t i = wcslen(c.pszExpected); i < c.nCapacity; ++i)
            EXPECT_EQ(L'\0', szBuffer[i]) << "at " << i;
        EXPECT_EQ(L'#', szBuffer[c.nCapacity]);
        EXPECT_EQ(c.eNumber, exception.GetErrorNumber());
    }

    CKIVOClientException exception(0, CEXC_CALL_FAILED, _T("Open:0x80004005"));
    wchar_t szBuffer[4] = { L'#', L'#', L'#', L'#' };
    EXPECT_EQ(1, exception.GetErrorMessage(szBuffer, 0));
    EXPECT_EQ(L'#', szBuffer[0]);
    unsigned int nHelp = 77;
    EXPECT_EQ(1, exception.GetErrorMessage(nullptr, 10, &nHelp));
    EXPECT_EQ(0u, nHelp);

    CString strLong;
    for (int i = 0; i < 100; ++i)
        strLong += _T("0123456789");
    CKIVOClientException longException(0, CEXC_CALL_FAILED, strLong);
    std::vector<wchar_t> buffer(2000, L'#');
    longException.GetErrorMessage(buffer.data(), 2000);
    EXPECT_EQ(std::wstring(L"9 : CS ERROR : ") + static_cast<LPCWSTR>(strLong), buffer.data());
}

TEST(ClientException, RuntimeClassRecord)
{
    const CRuntimeClass* pClass = RUNTIME_CLASS(CKIVOClientException);
    EXPECT_STREQ("CKIVOClientException", pClass->m_lpszClassName);
    EXPECT_EQ(0xFFFFu, pClass->m_wSchema);
    EXPECT_EQ(nullptr, pClass->m_pfnCreateObject);
    EXPECT_TRUE(pClass->IsDerivedFrom(RUNTIME_CLASS(CException)));
    EXPECT_FALSE(pClass->IsDerivedFrom(RUNTIME_CLASS(CMemoryException)));

    CKIVOClientException exception(0, CEXC_NO_INTERFACE, _T("Connect"));
    EXPECT_EQ(pClass, exception.GetRuntimeClass());
    EXPECT_TRUE(exception.IsKindOf(RUNTIME_CLASS(CException)));
}

// Every success code passes; the known failures carry the plain text, all
// others (related codes of other facilities too) the result in lower-case hex.
TEST(ClientErrors, ResultsMapToNumberAndText)
{
    // clang-format off
    const struct { unsigned long hr; CEXC_CAMERA_NUM eNumber; const wchar_t* pszText; } cases[] = {   // 0: no exception
        { 0, CEXC_CAMERA_NUM(0), nullptr },                      { 1, CEXC_CAMERA_NUM(0), nullptr },
        { 0x7FFFFFFF, CEXC_CAMERA_NUM(0), nullptr },             { 0x80070005, CEXC_ACCESS_DENIED, L"Reset" },
        { 0x80070006, CEXC_INVALID_HANDLE, L"Reset" },           { 0x8007000E, CEXC_OUT_OF_MEMORY, L"Reset" },
        { 0x80070057, CEXC_INVALID_ARGUMENT, L"Reset" },         { 0x80004005, CEXC_CALL_FAILED, L"Reset:0x80004005" },
        { 0x8000000A, CEXC_CALL_FAILED, L"Reset:0x8000000a" },   { 0x80040005, CEXC_CALL_FAILED, L"Reset:0x80040005" },
        { 0x80000006, CEXC_CALL_FAILED, L"Reset:0x80000006" },
    };
    // clang-format on
    CTestableClient client;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.hr);
        auto fnCall = [&] { client.HandleConnectionError(static_cast<long>(c.hr), _T("Reset")); };
        if (c.eNumber == 0)
            EXPECT_NO_THROW(fnCall());
        else
            EXPECT_TRUE(ThrowsKivoError(fnCall, c.eNumber, c.pszText));
    }
}
