#include <gtest/gtest.h>
#include <afxwin.h>
#include <climits>

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
	CCanvas(int cx, int cy) : m_cx(cx), m_cy(cy), m_pBits(NULL), m_pOldBitmap(NULL)
	{
		BITMAPINFO bmi;
		memset(&bmi, 0, sizeof(bmi));
		bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
		bmi.bmiHeader.biWidth = cx;
		bmi.bmiHeader.biHeight = -cy;
		bmi.bmiHeader.biPlanes = 1;
		bmi.bmiHeader.biBitCount = 32;
		bmi.bmiHeader.biCompression = BI_RGB;
		void* pBits = NULL;
		m_bitmap.Attach(::CreateDIBSection(NULL, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0));
		m_pBits = static_cast<const DWORD*>(pBits);
		m_dc.CreateCompatibleDC(NULL);
		m_pOldBitmap = m_dc.SelectObject(&m_bitmap);
		m_dc.FillSolidRect(0, 0, cx, cy, kWhite);
	}
	~CCanvas()
	{
		m_dc.SelectObject(m_pOldBitmap);
	}

	bool IsReady() const { return m_pBits != NULL && m_dc.m_hDC != NULL && m_pOldBitmap != NULL; }

	COLORREF Pixel(int x, int y) const
	{
		::GdiFlush();
		DWORD dwPixel = m_pBits[y * m_cx + x];
		return RGB((dwPixel >> 16) & 0xFF, (dwPixel >> 8) & 0xFF, dwPixel & 0xFF);
	}

	// Pixels that are not white, and the smallest rectangle holding them.
	int CountInk(CRect* pBounds = NULL) const
	{
		int nCount = 0;
		CRect rectBounds(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
		for (int y = 0; y < m_cy; y++)
		{
			for (int x = 0; x < m_cx; x++)
			{
				if (Pixel(x, y) == kWhite)
					continue;
				nCount++;
				rectBounds.left = (x < rectBounds.left) ? x : rectBounds.left;
				rectBounds.top = (y < rectBounds.top) ? y : rectBounds.top;
				rectBounds.right = (x + 1 > rectBounds.right) ? x + 1 : rectBounds.right;
				rectBounds.bottom = (y + 1 > rectBounds.bottom) ? y + 1 : rectBounds.bottom;
			}
		}
		if (pBounds != NULL)
			*pBounds = rectBounds;
		return nCount;
	}

	CBitmap m_bitmap;      // declared first: outlives the DC it is selected into
	CDC m_dc;

private:
	int m_cx;
	int m_cy;
	const DWORD* m_pBits;
	CBitmap* m_pOldBitmap;
};

bool Contains(const CRect& rectOuter, const CRect& rectInner)
{
	return rectInner.left >= rectOuter.left && rectInner.top >= rectOuter.top &&
		rectInner.right <= rectOuter.right && rectInner.bottom <= rectOuter.bottom;
}
} // namespace

/////////////////////////////////////////////////////////////////////////////
// Life of the DC

TEST(CDCTest, DestructorDeletesTheDCItCreated)
{
	HDC hDC;
	{
		CDC dc;
		EXPECT_EQ(nullptr, dc.GetSafeHdc());
		ASSERT_TRUE(dc.CreateCompatibleDC(NULL));
		hDC = dc;
		EXPECT_EQ(hDC, dc.m_hAttribDC);
		EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), ::GetObjectType(hDC));
		EXPECT_FALSE(dc.IsPrinting());
		EXPECT_EQ(&dc, CDC::FromHandle(hDC));
	}
	EXPECT_EQ(0u, ::GetObjectType(hDC));

	CDC dc;
	ASSERT_TRUE(dc.CreateCompatibleDC(NULL));
	hDC = dc;
	EXPECT_TRUE(dc.DeleteDC());
	EXPECT_EQ(nullptr, dc.m_hDC);
	EXPECT_EQ(nullptr, dc.m_hAttribDC);
	EXPECT_EQ(0u, ::GetObjectType(hDC));
	EXPECT_FALSE(dc.DeleteDC());
}

TEST(CDCTest, AttachAndDetachLeaveTheDCAlive)
{
	HDC hDC = ::CreateCompatibleDC(NULL);
	ASSERT_NE(nullptr, hDC);
	{
		CDC dc;
		EXPECT_FALSE(dc.Attach(NULL));
		ASSERT_TRUE(dc.Attach(hDC));
		EXPECT_EQ(hDC, dc.m_hDC);
		EXPECT_EQ(hDC, dc.m_hAttribDC);
		EXPECT_EQ(&dc, CDC::FromHandle(hDC));
		EXPECT_EQ(hDC, dc.Detach());
		EXPECT_EQ(nullptr, dc.m_hDC);
		EXPECT_EQ(nullptr, dc.m_hAttribDC);
		EXPECT_NE(&dc, CDC::FromHandle(hDC));   // a temporary now
	}
	EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), ::GetObjectType(hDC));
	CDC::DeleteTempMap();
	EXPECT_EQ(static_cast<DWORD>(OBJ_MEMDC), ::GetObjectType(hDC));
	::DeleteDC(hDC);
}

TEST(CDCTest, SettingsGoToBothDCsAndQueriesToTheAttributeDC)
{
	CCanvas output(4, 4);
	CCanvas attrib(4, 4);
	ASSERT_TRUE(output.IsReady() && attrib.IsReady());
	CDC dc;
	dc.SetOutputDC(output.m_dc);
	dc.SetAttribDC(attrib.m_dc);

	dc.SetTextColor(kRed);
	EXPECT_EQ(kRed, ::GetTextColor(output.m_dc));
	EXPECT_EQ(kRed, ::GetTextColor(attrib.m_dc));
	dc.SetWindowOrg(3, 4);
	EXPECT_EQ(CPoint(3, 4), output.m_dc.GetWindowOrg());
	EXPECT_EQ(CPoint(3, 4), attrib.m_dc.GetWindowOrg());
	::SetWindowOrgEx(attrib.m_dc, 0, 0, NULL);
	::SetBkColor(attrib.m_dc, kBlue);
	EXPECT_EQ(kBlue, dc.GetBkColor());
	EXPECT_EQ(CPoint(0, 0), dc.GetWindowOrg());

	dc.SetPixel(4, 5, kInk);                   // logical (4,5) is device (1,1) on the output DC
	EXPECT_EQ(kInk, output.Pixel(1, 1));
	EXPECT_EQ(1, output.CountInk());
	EXPECT_EQ(0, attrib.CountInk());

	dc.ReleaseOutputDC();
	dc.ReleaseAttribDC();
	EXPECT_EQ(nullptr, dc.m_hDC);
	EXPECT_EQ(nullptr, dc.m_hAttribDC);
}

/////////////////////////////////////////////////////////////////////////////
// Drawing

TEST(CDCTest, FillSolidRectFillsExactlyAndKeepsTheColourAsBackground)
{
	CCanvas canvas(8, 6);
	ASSERT_TRUE(canvas.IsReady());
	canvas.m_dc.FillSolidRect(2, 1, 3, 2, kInk);
	EXPECT_EQ(kInk, canvas.Pixel(2, 1));
	EXPECT_EQ(kInk, canvas.Pixel(4, 2));
	EXPECT_EQ(kWhite, canvas.Pixel(5, 1));    // right and bottom are outside
	EXPECT_EQ(kWhite, canvas.Pixel(2, 3));
	EXPECT_EQ(kWhite, canvas.Pixel(1, 1));
	EXPECT_EQ(6, canvas.CountInk());
	EXPECT_EQ(kInk, canvas.m_dc.GetBkColor());

	canvas.m_dc.FillSolidRect(CRect(0, 0, 1, 6), kBlue);
	EXPECT_EQ(kBlue, canvas.Pixel(0, 5));
	EXPECT_EQ(12, canvas.CountInk());
	EXPECT_EQ(kBlue, canvas.m_dc.GetBkColor());
}

TEST(CDCTest, RectangleUsesTheSelectedPenAndBrush)
{
	CCanvas canvas(8, 8);
	ASSERT_TRUE(canvas.IsReady());
	CDC& dc = canvas.m_dc;
	CPen pen(PS_SOLID, 1, kRed);
	CBrush brush(kBlue);
	CPen* pOldPen = dc.SelectObject(&pen);
	CBrush* pOldBrush = dc.SelectObject(&brush);
	ASSERT_NE(nullptr, pOldPen);
	ASSERT_NE(nullptr, pOldBrush);
	EXPECT_EQ(::GetStockObject(BLACK_PEN), pOldPen->GetSafeHandle());
	EXPECT_EQ(::GetStockObject(WHITE_BRUSH), pOldBrush->GetSafeHandle());
	EXPECT_TRUE(pOldPen->IsKindOf(RUNTIME_CLASS(CPen)));

	EXPECT_TRUE(dc.Rectangle(1, 1, 6, 5));
	EXPECT_EQ(kRed, canvas.Pixel(1, 1));
	EXPECT_EQ(kRed, canvas.Pixel(5, 4));       // the pen stays inside the rectangle
	EXPECT_EQ(kBlue, canvas.Pixel(2, 2));
	EXPECT_EQ(kBlue, canvas.Pixel(4, 3));
	EXPECT_EQ(kWhite, canvas.Pixel(6, 1));
	EXPECT_EQ(kWhite, canvas.Pixel(1, 5));
	EXPECT_EQ(20, canvas.CountInk());

	// Putting the old ones back returns the objects that held the handles.
	EXPECT_EQ(&pen, dc.SelectObject(pOldPen));
	EXPECT_EQ(&brush, dc.SelectObject(pOldBrush));
	EXPECT_EQ(pOldPen, dc.SelectObject(&pen));  // the same temporary again
}

TEST(CDCTest, LinesShapesAndPatterns)
{
	CCanvas canvas(10, 10);
	ASSERT_TRUE(canvas.IsReady());
	CDC& dc = canvas.m_dc;
	CPen pen(PS_SOLID, 1, kRed);
	CPen* pOldPen = dc.SelectObject(&pen);

	EXPECT_EQ(CPoint(0, 0), dc.MoveTo(0, 2));
	EXPECT_TRUE(dc.LineTo(5, 2));
	EXPECT_EQ(kRed, canvas.Pixel(0, 2));
	EXPECT_EQ(kRed, canvas.Pixel(4, 2));
	EXPECT_EQ(kWhite, canvas.Pixel(5, 2));    // the end point is not drawn
	EXPECT_EQ(CPoint(5, 2), dc.MoveTo(CPoint(0, 0)));

	POINT apt[] = { { 7, 0 }, { 9, 0 }, { 9, 3 } };
	EXPECT_TRUE(dc.Polyline(apt, 3));
	EXPECT_EQ(kRed, canvas.Pixel(8, 0));
	EXPECT_EQ(kRed, canvas.Pixel(9, 2));
	EXPECT_EQ(kWhite, canvas.Pixel(9, 3));
	dc.SelectObject(pOldPen);

	CBrush brush(kBlue);
	dc.FrameRect(CRect(0, 4, 4, 8), &brush);
	EXPECT_EQ(kBlue, canvas.Pixel(0, 4));
	EXPECT_EQ(kBlue, canvas.Pixel(3, 7));
	EXPECT_EQ(kWhite, canvas.Pixel(1, 5));
	dc.FillRect(CRect(1, 5, 3, 7), &brush);
	EXPECT_EQ(kBlue, canvas.Pixel(1, 5));
	EXPECT_EQ(kBlue, canvas.Pixel(2, 6));

	CGdiObject* pOldBrush = dc.SelectStockObject(BLACK_BRUSH);
	ASSERT_NE(nullptr, pOldBrush);
	EXPECT_TRUE(pOldBrush->IsKindOf(RUNTIME_CLASS(CBrush)));
	EXPECT_TRUE(dc.PatBlt(6, 6, 2, 2, PATCOPY));
	EXPECT_EQ(RGB(0, 0, 0), canvas.Pixel(6, 6));
	EXPECT_EQ(RGB(0, 0, 0), canvas.Pixel(7, 7));
	EXPECT_EQ(kWhite, canvas.Pixel(8, 8));
	EXPECT_TRUE(dc.Ellipse(CRect(4, 4, 10, 10)));
	EXPECT_EQ(kWhite, canvas.Pixel(9, 4));     // the corner stays outside
	EXPECT_EQ(RGB(0, 0, 0), canvas.Pixel(7, 7));
	dc.SelectObject(pOldBrush);

	EXPECT_EQ(kInk, dc.SetPixel(CPoint(9, 9), kInk));
	EXPECT_EQ(kInk, dc.GetPixel(CPoint(9, 9)));
	EXPECT_EQ(CLR_INVALID, dc.GetPixel(10, 0));
}

TEST(CDCTest, BitBltAndStretchBltCopyBetweenMemoryDCs)
{
	CCanvas source(2, 2);
	CCanvas target(8, 8);
	ASSERT_TRUE(source.IsReady() && target.IsReady());
	const COLORREF acr[2][2] = { { kRed, kBlue }, { kInk, RGB(1, 2, 3) } };
	for (int y = 0; y < 2; y++)
		for (int x = 0; x < 2; x++)
			source.m_dc.SetPixel(x, y, acr[y][x]);

	EXPECT_TRUE(target.m_dc.BitBlt(3, 4, 2, 2, &source.m_dc, 0, 0, SRCCOPY));
	for (int y = 0; y < 2; y++)
		for (int x = 0; x < 2; x++)
			EXPECT_EQ(acr[y][x], target.Pixel(3 + x, 4 + y));
	EXPECT_EQ(4, target.CountInk());

	EXPECT_TRUE(target.m_dc.StretchBlt(0, 0, 4, 4, &source.m_dc, 0, 0, 2, 2, SRCCOPY));
	for (int y = 0; y < 4; y++)
		for (int x = 0; x < 4; x++)
			EXPECT_EQ(acr[y / 2][x / 2], target.Pixel(x, y)) << x << "," << y;
}

TEST(CDCTest, WindowAndViewportOriginsMoveTheOutput)
{
	CCanvas canvas(8, 8);
	ASSERT_TRUE(canvas.IsReady());
	CDC& dc = canvas.m_dc;
	EXPECT_EQ(MM_TEXT, dc.GetMapMode());
	EXPECT_EQ(CPoint(0, 0), dc.SetWindowOrg(10, 20));
	EXPECT_EQ(CPoint(10, 20), dc.GetWindowOrg());
	dc.FillSolidRect(12, 23, 2, 1, kInk);      // device (2,3) and (3,3)
	EXPECT_EQ(kInk, canvas.Pixel(2, 3));
	EXPECT_EQ(kInk, canvas.Pixel(3, 3));
	EXPECT_EQ(2, canvas.CountInk());

	CPoint point(2, 3);
	dc.DPtoLP(&point);
	EXPECT_EQ(CPoint(12, 23), point);
	CRect rect(10, 20, 15, 25);
	dc.LPtoDP(&rect);
	EXPECT_EQ(CRect(0, 0, 5, 5), rect);
	dc.DPtoLP(&rect);
	EXPECT_EQ(CRect(10, 20, 15, 25), rect);

	EXPECT_EQ(CPoint(10, 20), dc.OffsetWindowOrg(-5, -15));
	EXPECT_EQ(CPoint(0, 0), dc.SetViewportOrg(CPoint(1, 1)));
	EXPECT_EQ(CPoint(1, 1), dc.GetViewportOrg());
	EXPECT_EQ(CPoint(1, 1), dc.OffsetViewportOrg(1, 0));
	dc.SetPixel(5, 5, kRed);                   // window origin (5,5) lands on the viewport origin (2,1)
	EXPECT_EQ(kRed, canvas.Pixel(2, 1));

	EXPECT_EQ(MM_TEXT, dc.SetMapMode(MM_ANISOTROPIC));
	dc.SetWindowOrg(0, 0);
	dc.SetViewportOrg(0, 0);
	dc.SetWindowExt(CSize(1, 1));
	EXPECT_EQ(CSize(1, 1), dc.SetViewportExt(CSize(2, 2)));
	EXPECT_EQ(CSize(2, 2), dc.ScaleViewportExt(3, 1, 3, 1));   // now 6:1
	EXPECT_EQ(CSize(1, 1), dc.ScaleWindowExt(2, 1, 2, 1));     // now 3:1
	point = CPoint(1, 1);
	dc.LPtoDP(&point);
	EXPECT_EQ(CPoint(3, 3), point);
}

TEST(CDCTest, SaveDCAndRestoreDCRoundTripTheState)
{
	CCanvas canvas(4, 4);
	ASSERT_TRUE(canvas.IsReady());
	CDC& dc = canvas.m_dc;
	dc.SetTextColor(kRed);
	int nSaved = dc.SaveDC();
	ASSERT_GT(nSaved, 0);
	dc.SetTextColor(kBlue);
	dc.SetBkMode(TRANSPARENT);
	dc.SetWindowOrg(7, 7);
	EXPECT_EQ(kBlue, dc.GetTextColor());
	EXPECT_EQ(TRANSPARENT, dc.GetBkMode());
	EXPECT_TRUE(dc.RestoreDC(nSaved));
	EXPECT_EQ(kRed, dc.GetTextColor());
	EXPECT_EQ(OPAQUE, dc.GetBkMode());
	EXPECT_EQ(CPoint(0, 0), dc.GetWindowOrg());
	EXPECT_FALSE(dc.RestoreDC(nSaved));        // already popped
}

TEST(CDCTest, RegionsClipTheOutput)
{
	CCanvas canvas(10, 10);
	ASSERT_TRUE(canvas.IsReady());
	CDC& dc = canvas.m_dc;
	CRect rectClip;
	EXPECT_EQ(SIMPLEREGION, dc.GetClipBox(&rectClip));
	EXPECT_EQ(CRect(0, 0, 10, 10), rectClip);

	CRgn rgn;
	ASSERT_TRUE(rgn.CreateRectRgn(2, 2, 5, 5));
	EXPECT_EQ(SIMPLEREGION, dc.SelectObject(&rgn));
	EXPECT_EQ(SIMPLEREGION, dc.GetClipBox(&rectClip));
	EXPECT_EQ(CRect(2, 2, 5, 5), rectClip);
	EXPECT_TRUE(dc.PtVisible(2, 2));
	EXPECT_FALSE(dc.PtVisible(CPoint(5, 5)));
	EXPECT_TRUE(dc.RectVisible(CRect(4, 4, 8, 8)));
	EXPECT_FALSE(dc.RectVisible(CRect(6, 6, 8, 8)));

	// IntersectClipRect narrows it further, in logical coordinates.
	dc.SetWindowOrg(1, 1);
	EXPECT_EQ(SIMPLEREGION, dc.IntersectClipRect(CRect(4, 4, 9, 9)));   // device 3, 3 to 8, 8
	EXPECT_EQ(SIMPLEREGION, dc.GetClipBox(&rectClip));
	EXPECT_EQ(CRect(4, 4, 6, 6), rectClip);

	dc.FillSolidRect(-1, -1, 12, 12, kInk);
	CRect rectInk;
	EXPECT_EQ(4, canvas.CountInk(&rectInk));
	EXPECT_EQ(CRect(3, 3, 5, 5), rectInk);
}

/////////////////////////////////////////////////////////////////////////////
// Text

class CDCTextTest : public ::testing::Test
{
protected:
	CDCTextTest() : m_canvas(240, 80), m_pOldFont(NULL) { }

	void SetUp() override
	{
		ASSERT_TRUE(m_canvas.IsReady());
		ASSERT_TRUE(m_font.CreatePointFont(120, L"Tahoma", &m_canvas.m_dc));
		m_pOldFont = m_canvas.m_dc.SelectObject(&m_font);
		ASSERT_NE(nullptr, m_pOldFont);
		m_canvas.m_dc.SetTextColor(RGB(0, 0, 0));
		m_canvas.m_dc.SetBkMode(TRANSPARENT);
		ASSERT_TRUE(m_canvas.m_dc.GetTextMetrics(&m_tm));
	}

	void TearDown() override
	{
		if (m_pOldFont != NULL)
			m_canvas.m_dc.SelectObject(m_pOldFont);
	}

	CCanvas m_canvas;
	CFont m_font;
	CFont* m_pOldFont;
	TEXTMETRIC m_tm;
};

TEST_F(CDCTextTest, SelectedFontSetsTheMetrics)
{
	EXPECT_EQ(m_font.m_hObject, ::GetCurrentObject(m_canvas.m_dc, OBJ_FONT));
	// The character height is 12 points (Wine's rasteriser may round a pixel
	// short of the requested height).
	int nDpi = m_canvas.m_dc.GetDeviceCaps(LOGPIXELSY);
	EXPECT_NEAR(::MulDiv(nDpi, 12, 72), m_tm.tmHeight - m_tm.tmInternalLeading, 1);

	CFont fontLarge;
	ASSERT_TRUE(fontLarge.CreatePointFont(240, L"Tahoma", &m_canvas.m_dc));
	EXPECT_EQ(&m_font, m_canvas.m_dc.SelectObject(&fontLarge));
	TEXTMETRIC tmLarge;
	ASSERT_TRUE(m_canvas.m_dc.GetTextMetrics(&tmLarge));
	EXPECT_NEAR(2 * (m_tm.tmHeight - m_tm.tmInternalLeading), tmLarge.tmHeight - tmLarge.tmInternalLeading, 2);
	EXPECT_EQ(&fontLarge, m_canvas.m_dc.SelectObject(m_pOldFont));
	m_pOldFont = NULL;
}

TEST_F(CDCTextTest, DrawTextDrawsWithinTheRectangleItMeasures)
{
	CDC& dc = m_canvas.m_dc;
	const CString str(L"HELLO 42");
	CRect rectCalc(20, 10, 230, 70);
	int nHeight = dc.DrawText(str, &rectCalc, DT_SINGLELINE | DT_CALCRECT);
	EXPECT_EQ(m_tm.tmHeight, nHeight);
	EXPECT_EQ(dc.GetTextExtent(str), rectCalc.Size());
	EXPECT_EQ(CPoint(20, 10), rectCalc.TopLeft());
	EXPECT_EQ(0, m_canvas.CountInk());         // measuring draws nothing

	CRect rect(20, 10, 230, 70);
	EXPECT_EQ(m_tm.tmHeight, dc.DrawText(str, &rect, DT_SINGLELINE | DT_LEFT | DT_TOP));
	CRect rectInk;
	EXPECT_GT(m_canvas.CountInk(&rectInk), 20);
	rectCalc.InflateRect(1, 1);                // room for anti-aliasing
	EXPECT_TRUE(Contains(rectCalc, rectInk)) << rectInk.left << "," << rectInk.top << " "
		<< rectInk.right << "," << rectInk.bottom;
}

TEST_F(CDCTextTest, TextOutFollowsTheTextAlignment)
{
	CDC& dc = m_canvas.m_dc;
	const CString str(L"HELLO");
	CSize size = dc.GetTextExtent(str);
	EXPECT_EQ(size, dc.GetTextExtent(L"HELLO there", 5));
	ASSERT_GT(size.cx, 0);

	EXPECT_TRUE(dc.TextOut(10, 5, str));
	CRect rectInk;
	EXPECT_GT(m_canvas.CountInk(&rectInk), 10);
	EXPECT_TRUE(Contains(CRect(9, 4, 11 + size.cx, 6 + size.cy), rectInk));

	m_canvas.m_dc.FillSolidRect(0, 0, 240, 80, kWhite);
	EXPECT_EQ(static_cast<UINT>(TA_LEFT | TA_TOP), dc.SetTextAlign(TA_RIGHT | TA_TOP));
	EXPECT_TRUE(dc.TextOut(200, 40, str, str.GetLength()));
	EXPECT_GT(m_canvas.CountInk(&rectInk), 10);
	EXPECT_TRUE(Contains(CRect(199 - size.cx, 39, 201, 41 + size.cy), rectInk));
}

TEST_F(CDCTextTest, ExtTextOutAndTabbedTextOut)
{
	CDC& dc = m_canvas.m_dc;
	dc.SetBkColor(kBlue);
	CRect rectOpaque(0, 0, 30, 30);
	EXPECT_TRUE(dc.ExtTextOut(0, 0, ETO_OPAQUE, rectOpaque, L"", 0, NULL));
	EXPECT_EQ(900, m_canvas.CountInk());
	EXPECT_EQ(kBlue, m_canvas.Pixel(29, 29));

	m_canvas.m_dc.FillSolidRect(0, 0, 240, 80, kWhite);
	CSize size = dc.TabbedTextOut(5, 40, L"AB", 2, 0, NULL, 0);
	EXPECT_EQ(dc.GetTextExtent(L"AB", 2), size);
	EXPECT_GT(m_canvas.CountInk(), 0);

	// Tab stops at 100 pixels: the text after the tab starts there.
	int nTabStop = 100;
	size = dc.TabbedTextOut(5, 5, L"A\tB", 3, 1, &nTabStop, 5);
	EXPECT_EQ(100 + dc.GetTextExtent(L"B", 1).cx, size.cx);
	EXPECT_EQ(m_tm.tmHeight, size.cy);
}

/////////////////////////////////////////////////////////////////////////////
// Virtual functions: a derived DC sees every call made through CDC*

namespace
{
class CRecordingDC : public CDC
{
public:
	mutable CString m_strCalls;

	BOOL PtVisible(int x, int y) const override
	{
		m_strCalls.AppendFormat(L"PtVisible(%d,%d);", x, y);
		return TRUE;
	}
	BOOL RectVisible(LPCRECT lpRect) const override
	{
		m_strCalls.AppendFormat(L"RectVisible(%d);", lpRect->right);
		return FALSE;
	}
	BOOL TextOut(int x, int y, LPCTSTR lpszString, int nCount) override
	{
		m_strCalls.AppendFormat(L"TextOut(%d,%d,%s,%d);", x, y, (LPCTSTR)CString(lpszString, nCount), nCount);
		return TRUE;
	}
	BOOL ExtTextOut(int x, int y, UINT nOptions, LPCRECT /* lpRect */,
		LPCTSTR lpszString, UINT nCount, LPINT /* lpDxWidths */) override
	{
		m_strCalls.AppendFormat(L"ExtTextOut(%d,%d,%u,%s);", x, y, nOptions, (LPCTSTR)CString(lpszString, nCount));
		return TRUE;
	}
	CSize TabbedTextOut(int x, int y, LPCTSTR lpszString, int nCount,
		int nTabPositions, LPINT /* lpnTabStopPositions */, int nTabOrigin) override
	{
		m_strCalls.AppendFormat(L"TabbedTextOut(%d,%d,%s,%d,%d);", x, y, (LPCTSTR)CString(lpszString, nCount),
			nTabPositions, nTabOrigin);
		return CSize(5, 6);
	}
	int DrawText(LPCTSTR lpszString, int nCount, LPRECT /* lpRect */, UINT nFormat) override
	{
		m_strCalls.AppendFormat(L"DrawText(%s,%d,%u);", (LPCTSTR)CString(lpszString, nCount), nCount, nFormat);
		return 77;
	}
	int DrawTextEx(LPTSTR lpszString, int nCount, LPRECT /* lpRect */,
		UINT nFormat, LPDRAWTEXTPARAMS /* lpDTParams */) override
	{
		m_strCalls.AppendFormat(L"DrawTextEx(%s,%u);", (LPCTSTR)CString(lpszString, nCount), nFormat);
		return 88;
	}
	BOOL GrayString(CBrush* /* pBrush */, BOOL (CALLBACK* /* lpfnOutput */)(HDC, LPARAM, int),
		LPARAM /* lpData */, int nCount, int x, int y, int nWidth, int nHeight) override
	{
		m_strCalls.AppendFormat(L"GrayString(%d,%d,%d,%d,%d);", nCount, x, y, nWidth, nHeight);
		return TRUE;
	}
	int Escape(int nEscape, int nCount, LPCSTR /* lpszInData */, LPVOID /* lpOutData */) override
	{
		m_strCalls.AppendFormat(L"Escape(%d,%d);", nEscape, nCount);
		return 42;
	}
	void ReleaseAttribDC() override
	{
		m_strCalls += L"ReleaseAttribDC;";
		CDC::ReleaseAttribDC();
	}
	void ReleaseOutputDC() override
	{
		m_strCalls += L"ReleaseOutputDC;";
		CDC::ReleaseOutputDC();
	}
};
} // namespace

TEST(CDCVirtualTest, OverridesReceiveEveryCallThroughTheBaseClass)
{
	CRecordingDC recorder;
	CDC* pDC = &recorder;
	CRect rect(0, 0, 9, 9);
	wchar_t szText[] = L"ex";

	EXPECT_TRUE(pDC->PtVisible(1, 2));
	EXPECT_TRUE(pDC->PtVisible(CPoint(3, 4)));
	EXPECT_FALSE(pDC->RectVisible(rect));
	EXPECT_TRUE(pDC->TextOut(1, 2, L"abc", 3));
	EXPECT_TRUE(pDC->TextOut(5, 6, CString(L"xy")));
	EXPECT_TRUE(pDC->ExtTextOut(7, 8, ETO_CLIPPED, rect, L"e", 1, NULL));
	EXPECT_EQ(CSize(5, 6), pDC->TabbedTextOut(1, 1, L"t", 1, 0, NULL, 3));
	EXPECT_EQ(77, pDC->DrawText(L"d", 1, rect, DT_LEFT));
	EXPECT_EQ(77, pDC->DrawText(CString(L"uv"), rect, DT_CENTER));
	EXPECT_EQ(88, pDC->DrawTextEx(szText, 2, rect, DT_RIGHT, NULL));
	EXPECT_TRUE(pDC->GrayString(NULL, NULL, reinterpret_cast<LPARAM>(L"g"), 1, 2, 3, 4, 5));
	EXPECT_EQ(42, pDC->Escape(7, 0, NULL, NULL));

	EXPECT_STREQ(L"PtVisible(1,2);PtVisible(3,4);RectVisible(9);"
		L"TextOut(1,2,abc,3);TextOut(5,6,xy,2);ExtTextOut(7,8,4,e);"
		L"TabbedTextOut(1,1,t,0,3);DrawText(d,1,0);DrawText(uv,2,1);DrawTextEx(ex,2);"
		L"GrayString(1,2,3,4,5);Escape(7,0);", recorder.m_strCalls);

	// Detach lets the derived class release its DCs.
	recorder.m_strCalls.Empty();
	HDC hDC = ::CreateCompatibleDC(NULL);
	ASSERT_TRUE(recorder.Attach(hDC));
	EXPECT_EQ(hDC, recorder.Detach());
	EXPECT_STREQ(L"ReleaseAttribDC;ReleaseOutputDC;", recorder.m_strCalls);
	::DeleteDC(hDC);
}
