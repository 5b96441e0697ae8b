// The picture area of a stored picture, fitted to a window whose client
// rectangle changed since the picture was shown.
#include "RenderTestSupport.h"
#include "KivoStoredPicturePaint.h"

TEST(PictureAreaFit, FollowsTheWindowKeepingMarginsThenAspect)
{
    // clang-format off
    const struct { const char* pszCase; RECT rcClient, rcLastArea, rcLastClient, rcExpected; } rows[] = {
        { "no last area: the window", { 0, 0, 300, 200 }, { 0, 0, 0, 0 }, { 0, 0, 640, 480 }, { 0, 0, 300, 200 } },
        { "zero height counts as none", { 0, 0, 300, 200 }, { 5, 5, 50, 5 }, { 0, 0, 300, 200 }, { 0, 0, 300, 200 } },
        { "unchanged window", { 0, 0, 640, 480 }, { 10, 20, 330, 260 }, { 0, 0, 640, 480 }, { 10, 20, 330, 260 } },
        // 640 x 480 grown to 840 x 580: the height is the limit, 773 x 580.
        { "grown, height decides", { 0, 0, 840, 580 }, { 0, 0, 640, 480 }, { 0, 0, 640, 480 }, { 0, 0, 773, 580 } },
        // 640 x 480 grown to 700 x 900: the width is the limit, 700 x 525.
        { "grown, width decides", { 0, 0, 700, 900 }, { 0, 0, 640, 480 }, { 0, 0, 640, 480 }, { 0, 0, 700, 525 } },
        // Margins of 20 right and 40 bottom kept: room 380 x 260, aspect 4:3.
        { "offset, margins kept", { 0, 0, 420, 320 }, { 20, 20, 620, 470 }, { 0, 0, 640, 510 }, { 20, 20, 366, 280 } },
    };
    // clang-format on
    for (const auto& row : rows)
    {
        const CRect rcFit = Kivo::FitPictureArea(row.rcClient, row.rcLastArea, row.rcLastClient);
        EXPECT_TRUE(EqualRect(&rcFit, &row.rcExpected))
            << row.pszCase << ": " << rcFit.left << "," << rcFit.top << "," << rcFit.right << "," << rcFit.bottom;
    }
}
