// Where a link control draws its focus frame: around its text when it shows
// aligned text, else around the whole control; one unit outside either.
#pragma once

#include <cstdint>

struct FocusBox {
    int left;
    int top;
    int right;
    int bottom;
    bool operator==(const FocusBox&) const = default;
};

struct FocusPoint {
    int x;
    int y;
};

// style: the control's window style. textExtent: its text measured from the
// origin (the DT_CALCRECT result). clientWidth: the control's client width.
// clientOrigin: the client area's top-left on the screen. windowRect: the
// control's window on the screen. The result is on the screen.
FocusBox FocusFrameOnScreen(std::uint32_t style, FocusBox textExtent, int clientWidth, FocusPoint clientOrigin,
                             FocusBox windowRect);

// Whether the frame follows the text (left, centred or right-aligned text).
bool FrameFollowsText(std::uint32_t style);
