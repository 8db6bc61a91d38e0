#pragma once

#include <QRect>

namespace morvanex::ui {

// Where a dropdown hangs, in global y-down screen coordinates.
struct DropdownMetrics {
    static constexpr int width = 340;
    static constexpr int gap = 5;        // between the anchor and the panel's near edge
    static constexpr int edgeMargin = 8; // kept free at the visible frame's left and right
    // The panel's height is at most the frame's height minus this.
    static constexpr int heightReserve = 40;
};

// The panel's frame for content `contentHeight` tall under (or, for a panel at the bottom of
// the screen, above) `anchor`, inside `visibleFrame` (the anchor's screen minus the desktop's
// panels). The height is the content's, capped at the frame's height minus the reserve, and at
// least 1. Horizontally the panel is centred on the anchor and kept 8 in from the frame's left,
// then from its right; the right bound is applied last, so on a frame narrower than 356 the
// panel touches the right margin. An anchor above the frame's vertical middle gets the panel's
// top 5 under it (or under the frame's top, for an anchor in a bar above the frame); an anchor
// below the middle sits in a bottom bar, and the panel's bottom is 5 above it (or above the
// frame's bottom).
QRect dropdownFrame(QRect anchor, QRect visibleFrame, double contentHeight);

// The available geometry of the screen that holds the anchor's centre, else of the primary
// screen; empty when there is no screen at all.
QRect visibleFrameFor(QRect anchor);

} // namespace morvanex::ui
