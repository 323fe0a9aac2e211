#include "updater/app/sized_controls.h"

#include <gtest/gtest.h>

#include "updater/app/dialog_placement.h"

namespace updater {
namespace {

// A control at (10,20)-(60,40) in a 200 x 100 client area, grown to 300 x 150
// and shrunk to 40 x 30: where each mode puts it.
TEST(SizedControls, PlacesEachAnchorModeAfterResizing) {
    const Rect control{10, 20, 60, 40};
    struct Case {
        int mode;
        Rect grown;
        Rect shrunk;
    };
    const Case cases[] = {
        {kAnchorRight, {110, 20, 160, 40}, {-150, 20, -100, 40}},
        {kAnchorBottom, {10, 70, 60, 90}, {10, -50, 60, -30}},
        {kAnchorRightBottom, {110, 70, 160, 90}, {-150, -50, -100, -30}},
        {kStretchWidth, {10, 20, 160, 40}, {10, 20, 10, 40}},
        {kStretchWidthAnchorBottom, {10, 70, 160, 90}, {10, -50, 10, -30}},
        {kStretchHeight, {10, 20, 60, 90}, {10, 20, 60, 20}},
        {kStretchHeightAnchorRight, {110, 20, 160, 90}, {-150, 20, -100, 20}},
        {kStretchBoth, {10, 20, 160, 90}, {10, 20, 10, 20}},
    };
    cSizedCtrls list;
    int handle = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        ASSERT_TRUE(list.Register(&handle, c.mode, control, 200, 100));
        const Anchor& anchor = list.Anchors().back();
        EXPECT_EQ(PlaceAnchored(anchor, 300, 150), c.grown);
        EXPECT_EQ(PlaceAnchored(anchor, 40, 30), c.shrunk);
        // The size at registration puts it back where it was.
        EXPECT_EQ(PlaceAnchored(anchor, 200, 100), control);
    }
    // Offsets are those at registration: a control registered in a larger
    // client keeps its larger gaps.
    ASSERT_TRUE(list.Register(&handle, kAnchorRight, control, 400, 100));
    EXPECT_EQ(PlaceAnchored(list.Anchors().back(), 400, 100), control);
    EXPECT_EQ(PlaceAnchored(list.Anchors().back(), 300, 100), (Rect{-90, 20, -40, 40}));
    // Combinations that move and stretch along one axis are refused.
    for (int mode : {0, 5, 7, 10, 11, 13, 15, 16})
        EXPECT_FALSE(list.Register(&handle, mode, control, 200, 100)) << mode;
    EXPECT_EQ(list.Count(), 9u);
}

TEST(DialogPlacement, CentresAndKeepsQuestionsNearTheCursorOnScreen) {
    // Centred: half the free space, at most the free space minus 10.
    EXPECT_EQ(CentredOnScreen(200, 100, 1024, 768), (Point{412, 334}));
    EXPECT_EQ(CentredOnScreen(1010, 750, 1024, 768), (Point{4, 8}));
    EXPECT_EQ(CentredOnScreen(1018, 768, 1024, 768), (Point{-4, -10}));
    struct Case {
        Point cursor;
        Point placed;
    };
    const Case cases[] = {
        {{0, 0}, {5, 5}},           // top-left corner: the margin
        {{500, 400}, {440, 320}},   // 60 left of and 80 above the cursor
        {{1023, 767}, {719, 563}},  // bottom-right: inside, 5 from the edges
        {{62, 83}, {5, 5}},         // just inside the margin
        {{-50, 2000}, {5, 563}},    // a cursor off the screen
    };
    for (const Case& c : cases)
        EXPECT_EQ(NearCursor(c.cursor, 300, 200, 1024, 768), c.placed)
            << c.cursor.x << "," << c.cursor.y;
    // A dialog larger than the screen keeps its top-left margin.
    EXPECT_EQ(NearCursor({500, 500}, 2000, 1000, 1024, 768), (Point{5, 5}));
}

}  // namespace
}  // namespace updater
