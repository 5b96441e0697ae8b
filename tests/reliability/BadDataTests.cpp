// Data from the server that does not fit its description: an array that is not
// a vector from index 0 of the expected element size is no picture or table;
// nothing is read from it or written to the caller.
#include "CameraTestFixture.h"

#include <algorithm>

TEST_F(CameraTest, ArraysOfAnotherShapeAreNoPictureOrTable)
{
    // Element type (VT_EMPTY: the member's own), dimensions, lower bound.
    // clang-format off
    const struct { bool bPicture; VARTYPE vtElement; int nDims; LONG nLowerBound; } shapes[] = {
        { true, VT_EMPTY, 1, 1 }, { true, VT_EMPTY, 2, 0 }, { true, VT_I4, 1, 0 }, { true, VT_I2, 1, 0 },
        { false, VT_EMPTY, 1, 1 }, { false, VT_EMPTY, 2, 0 }, { false, VT_UI1, 1, 0 }, { false, VT_R8, 1, 0 },
    };
    // clang-format on
    for (const auto& shape : shapes)
    {
        SCOPED_TRACE(::testing::Message() << (shape.bPicture ? "picture " : "table ") << shape.vtElement << ", "
                                          << shape.nDims << " dimensions from " << shape.nLowerBound);
        CTestPicture picture;
        picture.bytes.assign(1000, 7);
        Script().SetPicture(picture);
        Script().SetTable(true, { 1, 2, 3, 4, 5, 6 });
        Script().SetTable(false, { 1, 2, 3, 4, 5, 6 });
        Script().SetArrayShape(shape.vtElement, shape.nDims, shape.nLowerBound);
        // Guard bytes on both sides of the part the call may write.
        std::vector<BYTE> buffer(2000 + 32, 0xCD);
        BYTE* pData = buffer.data() + 16;
        int nLength = -1;
        EXPECT_TRUE(shape.bPicture ? ThrowsKivoError([&] { m_client.GetPicture(1, pData, 2000, &nLength); },
                                                     CEXC_NO_PICTURE, L"GetPicture")
                                   : ThrowsKivoError([&] { m_client.GetMeasureTab(reinterpret_cast<int*>(pData), 8); },
                                                     CEXC_NO_TABLE, L"GetMeasureTab"));
        EXPECT_TRUE(shape.bPicture ? ThrowsKivoError([&] { m_client.GetRGBPicture(pData, 2000, &nLength); },
                                                     CEXC_NO_PICTURE, L"GetRGBPicture")
                                   : ThrowsKivoError([&] { m_client.GetSearchTab(reinterpret_cast<int*>(pData), 8); },
                                                     CEXC_NO_TABLE, L"GetSearchTab"));
        EXPECT_EQ(-1, nLength);
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](BYTE b) { return b == 0xCD; }));
    }

    // An empty vector is a picture of no bytes.
    Script().SetArrayShape(VT_EMPTY, 1, 0);
    Script().SetPicture(CTestPicture());
    BYTE abBuffer[4] = { 9, 9, 9, 9 };
    int nLength = -1;
    m_client.GetPicture(1, abBuffer, 4, &nLength);
    EXPECT_EQ(0, nLength);
    EXPECT_EQ(9, abBuffer[0]);
}

// Vectors that claim 2^31 elements or more, served straight to a thread of the
// server's own apartment, where no marshaller stands between: a length that
// does not fit the result is no picture or table, and nothing is copied.
TEST_F(CameraTest, ArraysThatClaimTwoToTheThirtyOneElementsOrMoreAreNoPictureOrTable)
{
    CTestPicture picture;
    picture.bytes.assign(1000, 7);
    Script().SetPicture(picture);
    Script().SetTable(true, { 1, 2, 3, 4, 5, 6 });
    Script().SetTable(false, { 1, 2, 3, 4, 5, 6 });
    for (ULONG nClaim : { 0x80000000UL, 0x80000001UL, 0xFFFFFFFFUL })
        CTestWorker().Run([&] {
            SCOPED_TRACE(::testing::Message() << "claims " << nClaim << " elements");
            ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED));
            m_client.ThreadAttach();
            tagEServerState eState;
            m_client.GetICamera()->GetServerState(&eState);
            ASSERT_EQ(GetCurrentThreadId(), Script().GetCalls().back().dwServerThreadId)
                << "the call went through a proxy";
            Script().SetArrayShape(VT_EMPTY, 1, 0, nClaim);
            std::vector<BYTE> buffer(2000 + 32, 0xCD);
            BYTE* pData = buffer.data() + 16;
            int nLength = -1;
            EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetPicture(1, pData, 2000, &nLength); }, CEXC_NO_PICTURE,
                                        L"GetPicture"));
            EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetRGBPicture(pData, 2000, &nLength); }, CEXC_NO_PICTURE,
                                        L"GetRGBPicture"));
            EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetMeasureTab(reinterpret_cast<int*>(pData), 8); },
                                        CEXC_NO_TABLE, L"GetMeasureTab"));
            EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetSearchTab(reinterpret_cast<int*>(pData), 8); }, CEXC_NO_TABLE,
                                        L"GetSearchTab"));
            EXPECT_EQ(-1, nLength);
            EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](BYTE b) { return b == 0xCD; }));
            Script().SetArrayShape(VT_EMPTY, 1, 0);
            m_client.ThreadDetach();
            CoUninitialize();
        });
}
