#include <gtest/gtest.h>
#include <afxwin.h>

namespace
{
const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);
const COLORREF kInk = RGB(10, 20, 30);

// A memory DC drawing into a white 32-bit top-down DIB section, whose pixels
// are read back directly.
class CCanvas
{
public:
    CCanvas(int cx, int cy)
        : m_cx(cx)
        , m_cy(cy)
    {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
        bmi.bmiHeader.biWidth = cx;
        bmi.bmiHeader.biHeight = -cy;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        void* pBits = nullptr;
        m_bitmap.Attach(::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
        m_pBits = static_cast<const DWORD*>(pBits);
        m_dc.CreateCompatibleDC(nullptr);
        m_pOldBitmap = m_dc.SelectObject(&m_bitmap);
        m_dc.FillSolidRect(0, 0, cx, cy, kWhite);
    }
    ~CCanvas() { m_dc.SelectObject(m_pOldBitmap); }

    bool IsReady() const { return m_pBits != nullptr && m_dc.m_hDC != nullptr && m_pOldBitmap != nullptr; }
    COLORREF Pixel(int x, int y) const
    {
        ::GdiFlush();
        DWORD dwPixel = m_pBits[y * m_cx + x];
        return RGB((dwPixel >> 16) & 0xFF, (dwPixel >> 8) & 0xFF, dwPixel & 0xFF);
    }
    // Pixels that are not white.
    int CountInk() const
    {
        int nCount = 0;
        for (int y = 0; y < m_cy; y++)
            for (int x = 0; x < m_cx; x++)
                nCount += Pixel(x, y) != kWhite;
        return nCount;
    }

    CBitmap m_bitmap;   // declared first: outlives the DC it is selected into
    CDC m_dc;

private:
    int m_cx;
    int m_cy;
    const DWORD* m_pBits = nullptr;
    CBitmap* m_pOldBitmap = nullptr;
};

}   // namespace

TEST(CDCTest, DeletesTheDCItCreatedButNotOneItWasLent)
{
    HDC hDC;
    {
        CDC dc;
        ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
        hDC = dc;
        EXPECT_EQ(hDC, dc.m_hAttribDC);
    }
    EXPECT_EQ(0u, ::GetObjectType(hDC));

    hDC = ::CreateCompatibleDC(nullptr);
    {
        CDC dc;
        EXPECT_FALSE(dc.Attach(nullptr));
        ASSERT_TRUE(dc.Attach(hDC));
        EXPECT_EQ(hDC, dc.m_hAttribDC);
        EXPECT_EQ(&dc, CDC::FromHandle(hDC));
        EXPECT_EQ(hDC, dc.Detach());
        EXPECT_EQ(nullptr, dc.m_hAttribDC);
        EXPECT_NE(&dc, CDC::FromHandle(hDC));   // a temporary now
    }
    CDC::DeleteTempMap();
    EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), ::GetObjectType(hDC));
    ::DeleteDC(hDC);
}

TEST(CDCTest, DrawingReachesThePixelsThroughOriginsClipsAndSelectedObjects)
{
    CCanvas source(2, 2), target(10, 10);
    ASSERT_TRUE(source.IsReady() && target.IsReady());
    const COLORREF acr[2][2] = { { kRed, kBlue }, { kInk, RGB(1, 2, 3) } };
    for (int i = 0; i < 4; i++)
        source.m_dc.SetPixel(i % 2, i / 2, acr[i / 2][i % 2]);
    CDC& dc = target.m_dc;
    int nSaved = dc.SaveDC();
    dc.SetWindowOrg(10, 20);
    EXPECT_TRUE(dc.BitBlt(13, 24, 2, 2, &source.m_dc, 0, 0, SRCCOPY));   // device (3,4)
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(acr[i / 2][i % 2], target.Pixel(3 + i % 2, 4 + i / 2));
    EXPECT_EQ(4, target.CountInk());

    EXPECT_EQ(SIMPLEREGION, dc.IntersectClipRect(CRect(16, 26, 19, 28)));   // device (6,6)-(9,8)
    dc.FillSolidRect(0, 0, 40, 40, kInk);
    EXPECT_EQ(kInk, dc.GetBkColor());   // the fill colour stays as background
    EXPECT_EQ(4 + 6, target.CountInk());
    EXPECT_TRUE(dc.RestoreDC(nSaved));
    EXPECT_EQ(CPoint(0, 0), dc.GetWindowOrg());
    dc.FillSolidRect(0, 9, 10, 1, kInk);   // no clip any more
    EXPECT_EQ(4 + 6 + 10, target.CountInk());
    EXPECT_FALSE(dc.RestoreDC(nSaved));   // already popped

    CPen pen(PS_SOLID, 1, kRed);
    CBrush brush(kBlue);
    CPen* pOldPen = dc.SelectObject(&pen);
    CBrush* pOldBrush = dc.SelectObject(&brush);
    ASSERT_TRUE(pOldPen != nullptr && pOldBrush != nullptr);
    EXPECT_TRUE(dc.Rectangle(0, 0, 3, 3));
    EXPECT_EQ(kBlue, target.Pixel(1, 1));
    EXPECT_EQ(&pen, dc.SelectObject(pOldPen));   // selecting back returns the holders
    EXPECT_EQ(&brush, dc.SelectObject(pOldBrush));
}

namespace
{
// Records every call that reaches it through CDC*.
class CRecordingDC : public CDC
{
public:
    CString m_strCalls;

    BOOL TextOut(int x, int y, LPCTSTR psz, int n) override
    {
        return Note(L"TextOut(%d,%d,%s);", x, y, Text(psz, n)), TRUE;
    }
    int DrawText(LPCTSTR psz, int n, LPRECT, UINT nFormat) override
    {
        return Note(L"DrawText(%s,%d,%u);", Text(psz, n), n, nFormat), 77;
    }
    int DrawTextEx(LPTSTR psz, int n, LPRECT, UINT nFormat, LPDRAWTEXTPARAMS) override
    {
        return Note(L"DrawTextEx(%s,%u);", Text(psz, n), nFormat), 88;
    }
    void ReleaseAttribDC() override
    {
        Note(L"ReleaseAttribDC;");
        CDC::ReleaseAttribDC();
    }
    void ReleaseOutputDC() override
    {
        Note(L"ReleaseOutputDC;");
        CDC::ReleaseOutputDC();
    }

private:
    template <class... Args>
    void Note(LPCWSTR pszFormat, Args... args)
    {
        m_strCalls.AppendFormat(pszFormat, args...);
    }
    static LPCWSTR Text(LPCTSTR psz, int n)
    {
        static CString s_str;
        s_str = CString(psz, n);
        return s_str;
    }
};
}   // namespace

TEST(CDCVirtualTest, OverridesReceiveEveryCallThroughTheBaseClass)
{
    CRecordingDC recorder;
    CDC* pDC = &recorder;
    CRect rect(0, 0, 9, 9);
    wchar_t szText[] = L"ex";
    EXPECT_TRUE(pDC->TextOut(5, 6, CString(L"xy")));
    EXPECT_EQ(77, pDC->DrawText(CString(L"uv"), rect, DT_CENTER));
    EXPECT_EQ(88, pDC->DrawTextEx(szText, 2, rect, DT_RIGHT, nullptr));
    HDC hDC = ::CreateCompatibleDC(nullptr);
    ASSERT_TRUE(recorder.Attach(hDC));
    EXPECT_EQ(hDC, recorder.Detach());   // lets the derived class release its DCs
    ::DeleteDC(hDC);
    EXPECT_STREQ(L"TextOut(5,6,xy);DrawText(uv,2,1);DrawTextEx(ex,2);ReleaseAttribDC;ReleaseOutputDC;",
                 recorder.m_strCalls);
}
