#include <gtest/gtest.h>
#include <afxwin.h>
#include "ext/MfcTestExt.h"
#include "TestResources.h"

TEST(ExtensionModule, StringsComeFromTheProgramFirstThenTheExtensionLibraries)
{
    // clang-format off
	struct { HINSTANCE hModule; UINT nID; LPCWSTR pszText; } rows[] = {
		{ nullptr, IDS_TEST_APP_ONLY, L"from the program" },
		{ nullptr, IDS_TEST_EXT_ONLY, L"from the extension" },   // registered by its DllMain
		{ nullptr, IDS_TEST_BOTH, L"program text" },
		{ ExtGetModule(), IDS_TEST_BOTH, L"extension text" },
		{ nullptr, IDS_TEST_MISSING, nullptr },
		{ ExtGetModule(), IDS_TEST_APP_ONLY, nullptr },
	};
    // clang-format on
    for (const auto& row : rows)
    {
        SCOPED_TRACE(row.nID);
        CString str(L"unchanged");
        BOOL bLoaded = row.hModule != nullptr ? str.LoadString(row.hModule, row.nID) : str.LoadString(row.nID);
        EXPECT_EQ(row.pszText != nullptr, bLoaded != FALSE);
        EXPECT_STREQ(row.pszText != nullptr ? row.pszText : L"unchanged", str);
    }
    EXPECT_STREQ(L"from the extension", CString(MAKEINTRESOURCE(IDS_TEST_EXT_ONLY)));
}

TEST(ExtensionModule, TermRemovesEveryLibraryOfTheModule)
{
    HMODULE hExtension = ExtGetModule();
    ASSERT_NE(nullptr, hExtension);
    AFX_EXTENSION_MODULE extModule = { FALSE, nullptr, nullptr };
    AfxTermExtensionModule(extModule);   // not initialised: nothing happens
    CString str;
    EXPECT_TRUE(str.LoadString(IDS_TEST_EXT_ONLY));

    EXPECT_TRUE(AfxInitExtensionModule(extModule, hExtension));
    EXPECT_TRUE(AfxInitExtensionModule(extModule, ::GetModuleHandle(nullptr)));
    EXPECT_EQ(hExtension, extModule.hResource);   // only the first call counts

    // Also the library its DllMain registered.
    AfxTermExtensionModule(extModule);
    EXPECT_FALSE(str.LoadString(IDS_TEST_EXT_ONLY));
    EXPECT_TRUE(str.LoadString(IDS_TEST_APP_ONLY));

    new CDynLinkLibrary(extModule, TRUE);   // left registered: the DLL's DllMain removes it at exit
    EXPECT_TRUE(str.LoadString(IDS_TEST_EXT_ONLY));
    EXPECT_STREQ(L"from the extension", str);
}
