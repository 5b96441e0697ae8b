#include <gtest/gtest.h>
#include <afxwin.h>
#include "ext/MfcTestExt.h"
#include "TestResources.h"

TEST(ExtensionModule, StringsComeFromTheProgramFirstThenTheExtensionLibraries)
{
	struct { HINSTANCE hModule; UINT nID; LPCWSTR pszText; } rows[] = {
		{ NULL, IDS_TEST_APP_ONLY, L"from the program" },
		{ NULL, IDS_TEST_EXT_ONLY, L"from the extension" },   // registered by its DllMain
		{ NULL, IDS_TEST_BOTH, L"program text" },
		{ ExtGetModule(), IDS_TEST_BOTH, L"extension text" },
		{ NULL, IDS_TEST_MISSING, NULL },
		{ ExtGetModule(), IDS_TEST_APP_ONLY, NULL },
	};
	for (const auto& row : rows)
	{
		SCOPED_TRACE(row.nID);
		CString str(L"unchanged");
		BOOL bLoaded = row.hModule != NULL ? str.LoadString(row.hModule, row.nID) : str.LoadString(row.nID);
		EXPECT_EQ(row.pszText != NULL, bLoaded != FALSE);
		EXPECT_STREQ(row.pszText != NULL ? row.pszText : L"unchanged", str);
	}
	EXPECT_STREQ(L"from the extension", CString(MAKEINTRESOURCE(IDS_TEST_EXT_ONLY)));
}

TEST(ExtensionModule, TermRemovesEveryLibraryOfTheModule)
{
	HMODULE hExtension = ExtGetModule();
	ASSERT_NE(nullptr, hExtension);
	AFX_EXTENSION_MODULE extModule = { FALSE, NULL, NULL };
	AfxTermExtensionModule(extModule);   // not initialised: nothing happens
	CString str;
	EXPECT_TRUE(str.LoadString(IDS_TEST_EXT_ONLY));

	EXPECT_TRUE(AfxInitExtensionModule(extModule, hExtension));
	EXPECT_TRUE(AfxInitExtensionModule(extModule, ::GetModuleHandle(NULL)));
	EXPECT_EQ(hExtension, extModule.hResource);           // only the first call counts

	// Also the library its DllMain registered.
	AfxTermExtensionModule(extModule);
	EXPECT_FALSE(str.LoadString(IDS_TEST_EXT_ONLY));
	EXPECT_TRUE(str.LoadString(IDS_TEST_APP_ONLY));

	new CDynLinkLibrary(extModule, TRUE);   // left registered: the DLL's DllMain removes it at exit
	EXPECT_TRUE(str.LoadString(IDS_TEST_EXT_ONLY));
	EXPECT_STREQ(L"from the extension", str);
}
