// The two registry switches against the test prefix's real registry: any
// value of at most four bytes is a number, whatever its type. Every value
// written here is deleted again.
#include "LiveTestFixture.h"

TEST(Switches, EachSwitchReadsOnlyItsOwnValueOfAtMostFourBytes)
{
    const DWORD dwOne = 1, dwZero = 0;
    const BYTE abFour[4] = { 0, 0, 0, 1 }, abThree[3] = { 0, 0, 7 };
    const ULONGLONG nQword = 1;
    // clang-format off
    const struct { DWORD dwType; const void* pData; DWORD nBytes; BOOL bOn; } aValues[] = {
        { REG_DWORD, &dwOne, 4, TRUE },   { REG_DWORD, &dwZero, 4, FALSE }, { REG_BINARY, abFour, 4, TRUE },
        { REG_BINARY, abThree, 3, TRUE }, { REG_QWORD, &nQword, 8, FALSE },
        { REG_SZ, L"0", 4, TRUE },   // one character and its terminator: the character's code
        { REG_SZ, L"10", 6, FALSE },
    };
    // clang-format on
    // clang-format off
    const struct { LPCWSTR pszName; BOOL (*fnQuery)(); BOOL (*fnOther)(); }
        aSwitches[] = { { L"KivoClientShowFPS", Kivo::QueryShowFPS, Kivo::QueryWaitForImageXP },
                      { L"KivoClientWaitForImageXP", Kivo::QueryWaitForImageXP, Kivo::QueryShowFPS } };
    // clang-format on
    for (const auto& sw : aSwitches)
    {
        DeleteConfiguration();
        EXPECT_FALSE(sw.fnQuery());
        for (const auto& value : aValues)
        {
            SCOPED_TRACE(testing::Message() << "type " << value.dwType << ", " << value.nBytes << " bytes");
            WriteConfiguration(sw.pszName, value.dwType, value.pData, value.nBytes);
            EXPECT_EQ(value.bOn, sw.fnQuery());
            EXPECT_FALSE(sw.fnOther());
        }
    }
    DeleteConfiguration();
}
