#include <gtest/gtest.h>
#include <afxwin.h>
#include "ext/MfcTestExt.h"
#include "TestResources.h"

TEST(ExtensionStrings, ProgramFirstThenExtensionLibraries)
{
	CString str;
	EXPECT_TRUE(str.LoadString(IDS_TEST_APP_ONLY));
	EXPECT_STREQ(L"from the program", str);
	EXPECT_TRUE(str.LoadString(IDS_TEST_EXT_ONLY));      // registered by its DllMain
	EXPECT_STREQ(L"from the extension", str);
	EXPECT_TRUE(str.LoadString(IDS_TEST_BOTH));
	EXPECT_STREQ(L"program text", str);
	EXPECT_TRUE(str.LoadString(ExtGetModule(), IDS_TEST_BOTH));
	EXPECT_STREQ(L"extension text", str);

	str = L"unchanged";
	EXPECT_FALSE(str.LoadString(IDS_TEST_MISSING));
	EXPECT_FALSE(str.LoadString(ExtGetModule(), IDS_TEST_APP_ONLY));
	EXPECT_STREQ(L"unchanged", str);

	EXPECT_STREQ(L"from the extension", CString(MAKEINTRESOURCE(IDS_TEST_EXT_ONLY)));
}

TEST(ExtensionModule, TermRemovesTheModulesLibraries)
{
	HMODULE hExtension = ExtGetModule();
	ASSERT_NE(nullptr, hExtension);

	AFX_EXTENSION_MODULE extModule = { FALSE, NULL, NULL };
	AfxTermExtensionModule(extModule);   // not initialised: nothing happens
	CString str;
	EXPECT_TRUE(str.LoadString(IDS_TEST_EXT_ONLY));

	EXPECT_TRUE(AfxInitExtensionModule(extModule, hExtension));
	EXPECT_TRUE(extModule.bInitialized);
	EXPECT_EQ(hExtension, extModule.hModule);
	EXPECT_EQ(hExtension, extModule.hResource);
	EXPECT_TRUE(AfxInitExtensionModule(extModule, ::GetModuleHandle(NULL)));
	EXPECT_EQ(hExtension, extModule.hModule);           // only the first call counts

	// Removes every library of the module, also the one from its DllMain.
	AfxTermExtensionModule(extModule);
	EXPECT_FALSE(str.LoadString(IDS_TEST_EXT_ONLY));
	EXPECT_TRUE(str.LoadString(IDS_TEST_APP_ONLY));

	CDynLinkLibrary* pLibrary = new CDynLinkLibrary(extModule, TRUE);
	EXPECT_EQ(hExtension, pLibrary->m_hModule);
	EXPECT_TRUE(pLibrary->m_bSystem);
	EXPECT_TRUE(pLibrary->IsKindOf(RUNTIME_CLASS(CDynLinkLibrary)));
	EXPECT_TRUE(str.LoadString(IDS_TEST_EXT_ONLY));
	EXPECT_STREQ(L"from the extension", str);
	// Left registered: the library's own DllMain removes it at process exit.
}

TEST(ExtensionModule, ManageStateIsHarmless)
{
	AFX_MANAGE_STATE(AfxGetStaticModuleState());
	EXPECT_NE(nullptr, AfxGetStaticModuleState());
	EXPECT_EQ(AfxGetStaticModuleState(), AfxGetStaticModuleState());
}
