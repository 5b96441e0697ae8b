// The registry switches and the platform check, against the test prefix's
// real registry. Every value written here is deleted again.
#include "KivoTestSupport.h"
#include "KivoConfiguration.h"

namespace
{
class Switches : public ::testing::Test
{
protected:
    void SetUp() override { DeleteKey(); }
    void TearDown() override { DeleteKey(); }

    static void DeleteKey() { RegDeleteKeyW(HKEY_LOCAL_MACHINE, KIVO_CONFIGURATION_KEY); }

    static void Write(LPCWSTR pszName, DWORD dwType, const void* pData, DWORD nBytes)
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, KIVO_CONFIGURATION_KEY, 0, nullptr, 0,
                                                 KEY_WRITE, nullptr, &hKey, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(hKey, pszName, 0, dwType,
                                                static_cast<const BYTE*>(pData), nBytes));
        RegCloseKey(hKey);
    }
    static void WriteDword(LPCWSTR pszName, DWORD dwValue) { Write(pszName, REG_DWORD, &dwValue, 4); }
};
}

TEST_F(Switches, AbsentKeyOrValueIsOff)
{
    EXPECT_FALSE(QueryShowFPS());
    EXPECT_FALSE(QueryWaitForImageXP());
    WriteDword(L"SomethingElse", 1);
    EXPECT_FALSE(QueryShowFPS());
}

TEST_F(Switches, DwordValuesSwitchEachNameOnItsOwn)
{
    WriteDword(L"KivoClientShowFPS", 1);
    EXPECT_TRUE(QueryShowFPS());
    EXPECT_FALSE(QueryWaitForImageXP());
    WriteDword(L"KivoClientShowFPS", 0);
    EXPECT_FALSE(QueryShowFPS());
    WriteDword(L"KivoClientWaitForImageXP", 0x80000000);
    EXPECT_TRUE(QueryWaitForImageXP());
}

TEST_F(Switches, TypeIsIgnoredAndOnlyTheFirstFourBytesFit)
{
    const BYTE abFour[4] = { 0, 0, 0, 1 };
    Write(L"KivoClientShowFPS", REG_BINARY, abFour, 4);
    EXPECT_TRUE(QueryShowFPS());
    const BYTE abThree[3] = { 0, 0, 7 };
    Write(L"KivoClientShowFPS", REG_BINARY, abThree, 3);
    EXPECT_TRUE(QueryShowFPS());
    const BYTE abZero[4] = { 0, 0, 0, 0 };
    Write(L"KivoClientShowFPS", REG_BINARY, abZero, 4);
    EXPECT_FALSE(QueryShowFPS());
    const ULONGLONG nQword = 1;
    Write(L"KivoClientShowFPS", REG_QWORD, &nQword, 8);
    EXPECT_FALSE(QueryShowFPS());
}

TEST_F(Switches, OneCharacterStringIsItsCharacterCode)
{
    Write(L"KivoClientShowFPS", REG_SZ, L"0", 4);   // '0' and the terminator: 4 bytes
    EXPECT_TRUE(QueryShowFPS());
    Write(L"KivoClientShowFPS", REG_SZ, L"1", 4);
    EXPECT_TRUE(QueryShowFPS());
    Write(L"KivoClientShowFPS", REG_SZ, L"10", 6);
    EXPECT_FALSE(QueryShowFPS());
}

TEST(Platform, WineReportsAModernWindows)
{
    EXPECT_TRUE(IsWindowsVistaOrLater());
}
