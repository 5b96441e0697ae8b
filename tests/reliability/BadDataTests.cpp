// Data from the server that does not fit its description: nothing is read or
// written beyond a buffer; pictures that cannot be right are skipped.
#include "../camera/CameraTestFixture.h"

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
    explicit CGuardedBuffer(size_t nSize) : bytes(nSize + 32, 0xCD), nSize(nSize) {}
    BYTE* Data() { return bytes.data() + 16; }
    bool GuardsIntact() const
    {
        for (size_t i = 0; i < 16; ++i)
            if (bytes[i] != 0xCD || bytes[16 + nSize + i] != 0xCD)
                return false;
        return true;
    }
    std::vector<BYTE> bytes;
    size_t nSize;
};
}

TEST_F(CameraTest, PictureOfAnotherElementTypeIsCopiedByTheCallersSize)
{
    Script().SetPicture(Bytes(40));
    Script().SetArrayShape(VT_I4, 1, 0);   // 10 elements of 4 bytes
    CGuardedBuffer buffer(64);
    int nLength = 0;
    m_client.GetPicture(1, buffer.Data(), 64, &nLength);
    EXPECT_EQ(10, nLength);   // the element count, as the server describes it
    EXPECT_EQ(10, buffer.Data()[9]);
    EXPECT_EQ(0xCD, buffer.Data()[10]);
    EXPECT_TRUE(buffer.GuardsIntact());
}

TEST_F(CameraTest, PictureWithAnotherLowerBoundIsNeverReadBeyondItsData)
{
    Script().SetPicture(Bytes(8));
    Script().SetArrayShape(VT_EMPTY, 1, 100);   // 8 elements, upper bound 107
    CGuardedBuffer buffer(200);
    int nLength = 0;
    m_client.GetPicture(1, buffer.Data(), 200, &nLength);
    EXPECT_EQ(108, nLength);
    EXPECT_EQ(8, buffer.Data()[7]);
    EXPECT_EQ(0xCD, buffer.Data()[8]);   // only the 8 bytes that exist were copied
    EXPECT_TRUE(buffer.GuardsIntact());
}

TEST_F(CameraTest, TwoDimensionalTableIsReadWithinItsData)
{
    Script().SetTable(true, { 1, 2, 3, 4, 5, 6 });
    Script().SetArrayShape(VT_EMPTY, 2, 0);   // 2 x 3
    int anValues[8];
    for (int& n : anValues)
        n = -1;
    int nCount = m_client.GetMeasureTab(anValues, 8);
    EXPECT_EQ(2, nCount);   // the first dimension's count
    EXPECT_EQ(1, anValues[0]);
    EXPECT_EQ(2, anValues[1]);
    EXPECT_EQ(-1, anValues[2]);
}

TEST_F(CameraTest, TableOfBytesIsNeverReadBeyondItsData)
{
    Script().SetTable(false, { 0x01020304, 0x05060708 });
    Script().SetArrayShape(VT_UI1, 1, 0);   // the same 8 bytes as 8 one-byte elements
    int anValues[4] = { -1, -1, -1, -1 };
    EXPECT_EQ(8, m_client.GetSearchTab(anValues, 4));
    EXPECT_EQ(0x01020304, anValues[0]);   // only the 8 bytes that exist are copied
    EXPECT_EQ(0x05060708, anValues[1]);
    EXPECT_EQ(-1, anValues[2]);
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
