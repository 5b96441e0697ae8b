// Data from the server that does not fit its description: an array that is not
// a vector from index 0 of the expected element size is no picture or table;
// nothing is read from it or written to the caller.
#include "../camera/CameraTestFixture.h"

#include <algorithm>

namespace
{
CTestPicture Bytes(size_t n)
{
    CTestPicture picture;
    for (size_t i = 0; i < n; ++i)
        picture.bytes.push_back(static_cast<BYTE>(i + 1));
    return picture;
}

// A buffer with guard bytes on both sides of the part the call may write.
struct CGuardedBuffer
{
    explicit CGuardedBuffer(size_t nSize) : bytes(nSize + 32, 0xCD) {}
    BYTE* Data() { return bytes.data() + 16; }
    bool Untouched() const
    {
        return std::all_of(bytes.begin(), bytes.end(), [](BYTE b) { return b == 0xCD; });
    }
    std::vector<BYTE> bytes;
};

struct CShape
{
    const char* pszName;
    VARTYPE vtElement;   // VT_EMPTY: the member's own element type
    int nDims;
    LONG nLowerBound;
};
}

TEST_F(CameraTest, PictureArraysOfAnotherShapeAreNoPicture)
{
    const CShape shapes[] = {
        { "lower bound 1", VT_EMPTY, 1, 1 },
        { "two dimensions", VT_EMPTY, 2, 0 },
        { "four-byte elements", VT_I4, 1, 0 },
        { "two-byte elements", VT_I2, 1, 0 },
    };
    for (const CShape& shape : shapes)
    {
        Script().SetPicture(Bytes(1000));
        Script().SetArrayShape(shape.vtElement, shape.nDims, shape.nLowerBound);
        CGuardedBuffer buffer(2000);
        int nLength = -1;
        EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetPicture(1, buffer.Data(), 2000, &nLength); },
                                    CEXC_NO_PICTURE, L"GetPicture"))
            << shape.pszName;
        EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetRGBPicture(buffer.Data(), 2000, &nLength); },
                                    CEXC_NO_PICTURE, L"GetRGBPicture"))
            << shape.pszName;
        EXPECT_EQ(-1, nLength) << shape.pszName;
        EXPECT_TRUE(buffer.Untouched()) << shape.pszName;
    }
}

TEST_F(CameraTest, TableArraysOfAnotherShapeAreNoTable)
{
    const CShape shapes[] = {
        { "lower bound 1", VT_EMPTY, 1, 1 },
        { "two dimensions", VT_EMPTY, 2, 0 },
        { "one-byte elements", VT_UI1, 1, 0 },
        { "eight-byte elements", VT_R8, 1, 0 },
    };
    for (const CShape& shape : shapes)
    {
        Script().SetTable(true, { 1, 2, 3, 4, 5, 6 });
        Script().SetTable(false, { 1, 2, 3, 4, 5, 6 });
        Script().SetArrayShape(shape.vtElement, shape.nDims, shape.nLowerBound);
        CGuardedBuffer buffer(8 * sizeof(int));
        int* pnValues = reinterpret_cast<int*>(buffer.Data());
        EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetMeasureTab(pnValues, 8); }, CEXC_NO_TABLE,
                                    L"GetMeasureTab"))
            << shape.pszName;
        EXPECT_TRUE(ThrowsKivoError([&] { m_client.GetSearchTab(pnValues, 8); }, CEXC_NO_TABLE,
                                    L"GetSearchTab"))
            << shape.pszName;
        EXPECT_TRUE(buffer.Untouched()) << shape.pszName;
    }
}

TEST_F(CameraTest, EmptyPictureArrayReportsZeroLength)
{
    Script().SetPicture(Bytes(0));
    BYTE abBuffer[4] = { 9, 9, 9, 9 };
    int nLength = -1;
    m_client.GetPicture(1, abBuffer, 4, &nLength);
    EXPECT_EQ(0, nLength);
    EXPECT_EQ(9, abBuffer[0]);
}
