#include "ui/focus_frame.h"

namespace {

constexpr std::uint32_t kTextTypeMask = 0x1F;
constexpr std::uint32_t kCentred = 1;  // SS_CENTER
constexpr std::uint32_t kRight = 2;    // SS_RIGHT

}  // namespace

bool FrameFollowsText(std::uint32_t style)
{
    return (style & kTextTypeMask) <= kRight;
}

FocusBox FocusFrameOnScreen(std::uint32_t style, FocusBox textExtent, int clientWidth, FocusPoint clientOrigin,
                             FocusBox windowRect)
{
    FocusBox frame = windowRect;
    if (FrameFollowsText(style)) {
        const int spare = clientWidth - (textExtent.right - textExtent.left);
        int shift = 0;
        if ((style & kTextTypeMask) == kRight)
            shift = spare;
        else if ((style & kTextTypeMask) == kCentred)
            shift = spare / 2;  // signed: rounds towards zero
        frame = {textExtent.left + shift + clientOrigin.x, textExtent.top + clientOrigin.y,
                 textExtent.right + shift + clientOrigin.x, textExtent.bottom + clientOrigin.y};
    }
    return {frame.left - 1, frame.top - 1, frame.right + 1, frame.bottom + 1};
}
