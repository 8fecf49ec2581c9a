// The pane arithmetic with figures worked out by hand.
#include "review/panegeometry.h"

#include <gtest/gtest.h>

using namespace vexaris::review;

namespace {

struct PlaceCase
{
    const char *name;
    QRect image;
    QSize pane;
    QPoint expected;
};

class PlaceImageTest : public testing::TestWithParam<PlaceCase>
{
};

TEST_P(PlaceImageTest, MovesOnlyAsFarAsNeeded)
{
    const PlaceCase &c = GetParam();
    const QRect placed = placeImage(c.image, c.pane);
    EXPECT_EQ(placed.topLeft(), c.expected);
    EXPECT_EQ(placed.size(), c.image.size());
}

INSTANTIATE_TEST_SUITE_P(Panes, PlaceImageTest,
    testing::Values(
        // 400 × 300 pane: (400 - 100) div 2 = 150, (300 - 51) div 2 = 124 (rounding down).
        PlaceCase {"SmallerIsCentred", QRect(-30, 7, 100, 51), QSize(400, 300), QPoint(150, 124)},
        PlaceCase {
            "LargerDraggedTooFarLeftIsPulledBack", QRect(-500, -10, 800, 600), QSize(400, 300), QPoint(-400, -10)},
        PlaceCase {"LargerDraggedRightSticksToTheEdge", QRect(20, 5, 800, 600), QSize(400, 300), QPoint(0, 0)},
        PlaceCase {"LargerInsideItsRangeStays", QRect(-100, -200, 800, 600), QSize(400, 300), QPoint(-100, -200)},
        // Wider than the pane but lower: it keeps its horizontal place and is centred vertically.
        PlaceCase {"LargerOneWayOnly", QRect(-50, 0, 800, 100), QSize(400, 300), QPoint(-50, 100)},
        PlaceCase {"ExactlyThePaneSizeSitsAtTheOrigin", QRect(-5, 5, 400, 300), QSize(400, 300), QPoint(0, 0)}),
    [](const testing::TestParamInfo<PlaceCase> &row) { return std::string(row.param.name); });

TEST(FollowImage, DivisionTruncatesTowardZero)
{
    // (400 - 401) × 1 div 2 is 0 when truncated (it would be -1 rounded down): the target sits at
    // the centre of its pane.
    const QPoint target = followImage(QRect(401, 300, 2, 2), QSize(800, 600), QSize(1, 1), QSize(800, 600));
    EXPECT_EQ(target, QPoint(400, 300));
}

TEST(FollowImage, LargestZoomStaysExact)
{
    // 32767 × 32767 images at the far end of a 1000 pane: (500 + 31767) × 32767 div 32767.
    const QRect source(1000 - 32767, 0, 32767, 32767);
    const QPoint target = followImage(source, QSize(1000, 1000), QSize(32767, 32767), QSize(1000, 1000));
    EXPECT_EQ(target.x(), 500 - 32267);
}

struct FitCase
{
    const char *name;
    QSize image;
    QSize pane;
    QSize expected;
};

class FitSizeTest : public testing::TestWithParam<FitCase>
{
};

TEST_P(FitSizeTest, FitsWithAPixelOfRoom)
{
    const FitCase &c = GetParam();
    EXPECT_EQ(fitSize(c.image, c.pane), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Panes, FitSizeTest,
    testing::Values(
        // (802 - 2) / 2000 = 0.4 = (602 - 2) / 1500.
        FitCase {"LargerShrinksToThePane", QSize(2000, 1500), QSize(802, 602), QSize(800, 600)},
        // Width decides: 0.4 against 1.0.
        FitCase {"WidthDecides", QSize(2000, 500), QSize(802, 502), QSize(800, 200)},
        // Height decides: 4.0 across, 2.0 down.
        FitCase {"HeightDecides", QSize(100, 150), QSize(402, 302), QSize(200, 300)},
        // Smaller pictures are enlarged too.
        FitCase {"SmallerIsEnlarged", QSize(100, 50), QSize(402, 302), QSize(400, 200)},
        // Scale 0.5: 5 × 0.5 = 2.5 goes to 2 and 7 × 0.5 = 3.5 to 4, the even neighbours.
        FitCase {"HalvesGoToTheEvenNumber", QSize(4, 5), QSize(4, 100), QSize(2, 2)},
        FitCase {"HalvesGoToTheEvenNumberUpwards", QSize(4, 7), QSize(4, 100), QSize(2, 4)},
        FitCase {"NeverBelowOnePixel", QSize(1000, 10), QSize(12, 100), QSize(10, 1)},
        FitCase {"APaneTooSmallStillGivesAPixel", QSize(50, 50), QSize(1, 1), QSize(1, 1)}),
    [](const testing::TestParamInfo<FitCase> &row) { return std::string(row.param.name); });

TEST(ZoomIn, KeepsThePicturePointAtThePaneCentre)
{
    // 1000 × 750 at (-100, -75) in 800 × 600 shows picture point (500, 375) at the centre; after
    // doubling, (1000, 750) of 2000 × 1500 is there: 400 - 1000 = -600, 300 - 750 = -450.
    EXPECT_EQ(zoomInAboutCentre(QRect(-100, -75, 1000, 750), QSize(800, 600)), QRect(-600, -450, 2000, 1500));
    // Twice from a centred 200 × 100: four times the size, still centred.
    const QRect once = zoomInAboutCentre(QRect(300, 250, 200, 100), QSize(800, 600));
    EXPECT_EQ(zoomInAboutCentre(once, QSize(800, 600)), QRect(0, 100, 800, 400));
}

TEST(ZoomLimits, DoublingStopsAtTheLargestSide)
{
    EXPECT_TRUE(canZoomIn(QSize(16383, 100)));
    EXPECT_FALSE(canZoomIn(QSize(16384, 100)));
    EXPECT_FALSE(canZoomIn(QSize(100, 16384)));
}

TEST(ZoomLimits, HalvingStopsAtOnePixel)
{
    EXPECT_EQ(halveSize(QSize(2000, 1500)), QSize(1000, 750));
    EXPECT_EQ(halveSize(QSize(5, 3)), QSize(2, 1));
    EXPECT_EQ(halveSize(QSize(3, 1)), QSize(1, 1));
    EXPECT_EQ(halveSize(QSize(1, 1)), QSize(1, 1));
}

} // namespace
