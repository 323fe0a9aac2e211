// Control anchoring for resizable dialogs: each registered control keeps its
// distances to the right and/or bottom edge of its dialog's client area, or
// stretches with it, by its anchor mode. The arithmetic works on plain
// rectangles; the Win32 dialogs read the rectangles from their controls and
// move them on every size change.
//
// A cSizedCtrls belongs to one dialog and is used on that dialog's thread.
#pragma once

#include <cstddef>
#include <vector>

namespace updater {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const Rect&) const = default;
};

// Anchor modes: bit 1 keeps the distance to the right edge, bit 2 to the
// bottom edge, bit 4 stretches with the width, bit 8 with the height.
constexpr int kAnchorRight = 1;
constexpr int kAnchorBottom = 2;
constexpr int kAnchorRightBottom = 3;
constexpr int kStretchWidth = 4;
constexpr int kStretchWidthAnchorBottom = 6;
constexpr int kStretchHeight = 8;
constexpr int kStretchHeightAnchorRight = 9;
constexpr int kStretchBoth = 12;

// Whether mode is one of the eight modes above (a control cannot both keep
// its distance to an edge by moving and stretch in the same direction).
bool IsAnchorMode(int mode);

// What registration records: the control's rectangle and its distances to
// the right and bottom edges of the client area (width x height) at that time.
struct Anchor {
    void* control = nullptr;
    int mode = 0;
    Rect original;
    int rightGap = 0;
    int bottomGap = 0;
};

Anchor TakeAnchor(void* control, int mode, const Rect& controlRect, int clientWidth,
                  int clientHeight);

// Where the anchored control goes in a client area of width x height. A
// stretched control never gets a negative size.
Rect PlaceAnchored(const Anchor& anchor, int clientWidth, int clientHeight);

class cSizedCtrls {
  public:
    // Registers a control with its rectangle in client coordinates and the
    // client area's size now; false (nothing registered) for an unknown mode.
    bool Register(void* control, int mode, const Rect& controlRect, int clientWidth,
                  int clientHeight);
    const std::vector<Anchor>& Anchors() const { return anchors_; }
    size_t Count() const { return anchors_.size(); }

  private:
    std::vector<Anchor> anchors_;
};

}  // namespace updater
