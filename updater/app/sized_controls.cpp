#include "updater/app/sized_controls.h"

#include <algorithm>

namespace updater {

bool IsAnchorMode(int mode) {
    switch (mode) {
        case kAnchorRight:
        case kAnchorBottom:
        case kAnchorRightBottom:
        case kStretchWidth:
        case kStretchWidthAnchorBottom:
        case kStretchHeight:
        case kStretchHeightAnchorRight:
        case kStretchBoth:
            return true;
        default:
            return false;
    }
}

Anchor TakeAnchor(void* control, int mode, const Rect& controlRect, int clientWidth,
                  int clientHeight) {
    return Anchor{control, mode, controlRect, clientWidth - controlRect.right,
                  clientHeight - controlRect.bottom};
}

Rect PlaceAnchored(const Anchor& anchor, int clientWidth, int clientHeight) {
    Rect placed = anchor.original;
    const int right = clientWidth - anchor.rightGap;
    const int bottom = clientHeight - anchor.bottomGap;
    if ((anchor.mode & kAnchorRight) != 0) {
        placed.right = right;
        placed.left = right - anchor.original.Width();
    } else if ((anchor.mode & kStretchWidth) != 0) {
        placed.right = std::max(right, placed.left);
    }
    if ((anchor.mode & kAnchorBottom) != 0) {
        placed.bottom = bottom;
        placed.top = bottom - anchor.original.Height();
    } else if ((anchor.mode & kStretchHeight) != 0) {
        placed.bottom = std::max(bottom, placed.top);
    }
    return placed;
}

bool cSizedCtrls::Register(void* control, int mode, const Rect& controlRect, int clientWidth,
                           int clientHeight) {
    if (!IsAnchorMode(mode))
        return false;
    anchors_.push_back(TakeAnchor(control, mode, controlRect, clientWidth, clientHeight));
    return true;
}

}  // namespace updater
