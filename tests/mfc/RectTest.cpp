#include <gtest/gtest.h>
#include <afxwin.h>

TEST(CRectTest, GeometryAndReferences)
{
	CRect rect(10, 20, 110, 220);
	EXPECT_EQ(100, rect.Width());
	EXPECT_EQ(200, rect.Height());
	EXPECT_EQ(CSize(100, 200), rect.Size());
	EXPECT_EQ(CPoint(60, 120), rect.CenterPoint());
	EXPECT_EQ(CPoint(10, 20), rect.TopLeft());

	rect.TopLeft() = CPoint(0, 5);        // references into the rectangle
	rect.BottomRight().x = 50;
	EXPECT_EQ(CRect(0, 5, 50, 220), rect);

	EXPECT_EQ(CRect(1, 2, 4, 6), CRect(CPoint(1, 2), CSize(3, 4)));
	EXPECT_EQ(CRect(1, 2, 4, 6), CRect(CPoint(1, 2), CPoint(4, 6)));
	RECT rc = { 3, 4, 5, 6 };
	EXPECT_EQ(CRect(3, 4, 5, 6), CRect(rc));
	EXPECT_EQ(CRect(3, 4, 5, 6), CRect(&rc));
	EXPECT_TRUE(CRect().IsRectNull());
}

TEST(CRectTest, EmptinessAndHitTesting)
{
	CRect rect(10, 20, 110, 220);
	EXPECT_TRUE(rect.PtInRect(CPoint(10, 20)));
	EXPECT_FALSE(rect.PtInRect(CPoint(110, 20)));    // right and bottom are outside
	EXPECT_FALSE(rect.PtInRect(CPoint(10, 220)));
	EXPECT_TRUE(CRect(5, 5, 5, 10).IsRectEmpty());
	EXPECT_FALSE(CRect(5, 5, 5, 10).IsRectNull());
	EXPECT_TRUE(CRect(5, 5, 4, 10).IsRectEmpty());   // inverted counts as empty
	rect.SetRectEmpty();
	EXPECT_TRUE(rect.IsRectNull());
}

TEST(CRectTest, NormalizeInflateOffset)
{
	CRect rect(100, 200, 10, 20);
	rect.NormalizeRect();
	EXPECT_EQ(CRect(10, 20, 100, 200), rect);

	rect.InflateRect(1, 2);
	EXPECT_EQ(CRect(9, 18, 101, 202), rect);
	rect.DeflateRect(1, 2, 3, 4);
	EXPECT_EQ(CRect(10, 20, 98, 198), rect);
	rect.OffsetRect(-10, 5);
	EXPECT_EQ(CRect(0, 25, 88, 203), rect);
	rect += CPoint(1, 1);
	rect -= CSize(2, 3);
	EXPECT_EQ(CRect(-1, 23, 87, 201), rect);
	CRect rectBorder(1, 2, 3, 4);
	rect += &rectBorder;                  // inflate by each side
	EXPECT_EQ(CRect(-2, 21, 90, 205), rect);
	rect -= &rectBorder;
	EXPECT_EQ(CRect(-1, 23, 87, 201), rect);
}

TEST(CRectTest, IntersectionAndUnion)
{
	CRect rectA(0, 0, 10, 10), rectB(5, 5, 20, 20), rectFar(30, 30, 40, 40);
	CRect rect;
	EXPECT_TRUE(rect.IntersectRect(rectA, rectB));
	EXPECT_EQ(CRect(5, 5, 10, 10), rect);
	rect.SetRect(1, 1, 2, 2);
	EXPECT_FALSE(rect.IntersectRect(rectA, rectFar));
	EXPECT_TRUE(rect.IsRectNull());       // no overlap: set to all zero

	EXPECT_TRUE(rect.UnionRect(rectA, rectB));
	EXPECT_EQ(CRect(0, 0, 20, 20), rect);
	CRect rectEmpty(100, 100, 100, 100);
	rect.UnionRect(rectA, rectEmpty);     // empty rectangles do not count
	EXPECT_EQ(rectA, rect);

	rect = rectA;
	rect &= rectB;
	EXPECT_EQ(CRect(5, 5, 10, 10), rect);
	rect |= rectFar;
	EXPECT_EQ(CRect(5, 5, 40, 40), rect);
	EXPECT_TRUE(rect != rectA);
	EXPECT_TRUE(rect.EqualRect(CRect(5, 5, 40, 40)));
	RECT rcCopy;
	::CopyRect(&rcCopy, rect);            // operator LPCRECT
	EXPECT_EQ(40, rcCopy.bottom);
}
