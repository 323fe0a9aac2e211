// Where the update program's dialogs open on the screen: a dialog without a
// parent is centred; the question dialog opens near the mouse cursor and
// stays inside the primary screen. Plain arithmetic, any thread.
#pragma once

#include "updater/app/sized_controls.h"

namespace updater {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Top-left corner of a window of width x height centred on a screen of
// screenWidth x screenHeight: half the free space on each axis, at most the
// free space minus 10.
Point CentredOnScreen(int width, int height, int screenWidth, int screenHeight);

// Top-left corner of the question dialog: 60 left of and 80 above the
// cursor (not below 0), then moved inside the screen with a 5 pixel margin
// on every side (the left and top margins win on a screen too small).
Point NearCursor(Point cursor, int width, int height, int screenWidth, int screenHeight);

}  // namespace updater
