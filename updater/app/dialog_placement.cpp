#include "updater/app/dialog_placement.h"

#include <algorithm>

namespace updater {
namespace {

constexpr int kCentreMargin = 10;
constexpr int kCursorLeft = 60;
constexpr int kCursorAbove = 80;
constexpr int kScreenMargin = 5;

int Centre(int size, int screen) {
    return std::min((screen - size) / 2, screen - size - kCentreMargin);
}

int Inside(int position, int size, int screen) {
    position = std::min(position, screen - size - kScreenMargin);
    return std::max(position, kScreenMargin);
}

}  // namespace

Point CentredOnScreen(int width, int height, int screenWidth, int screenHeight) {
    return {Centre(width, screenWidth), Centre(height, screenHeight)};
}

Point NearCursor(Point cursor, int width, int height, int screenWidth, int screenHeight) {
    const int x = std::max(cursor.x - kCursorLeft, 0);
    const int y = std::max(cursor.y - kCursorAbove, 0);
    return {Inside(x, width, screenWidth), Inside(y, height, screenHeight)};
}

}  // namespace updater
