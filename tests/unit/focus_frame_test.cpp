#include "ui/focus_frame.h"

#include <gtest/gtest.h>

namespace {

TEST(FocusFrame, FollowsTheTextByAlignmentAndGrowsByOne)
{
    // A control whose client area starts at (100, 200) on the screen, 80
    // wide; its text measures 31 x 13.
    const FocusBox text{0, 0, 31, 13};
    const FocusPoint origin{100, 200};
    const FocusBox window{98, 198, 182, 215};
    const struct {
        const char* what;
        std::uint32_t style;
        FocusBox frame;
    } cases[] = {
        {"left", 0x50000000, {99, 199, 132, 214}},
        {"centred: half of 49 rounds down", 0x50000001, {123, 199, 156, 214}},
        {"right", 0x50000002, {148, 199, 181, 214}},
        {"other flags do not change the type", 0x50000100, {99, 199, 132, 214}},
        {"a simple static: the whole window", 0x5000000B, {97, 197, 183, 216}},
        {"no prefix bit (0x80) leaves the type", 0x50000082, {148, 199, 181, 214}},
        {"an icon: the whole window", 0x50000003, {97, 197, 183, 216}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FocusFrameOnScreen(c.style, text, 80, origin, window), c.frame) << c.what;
}

TEST(FocusFrame, TextWiderThanTheControlShiftsLeftTowardsZero)
{
    const FocusBox text{0, 0, 85, 13};
    // spare = 80 - 85 = -5: right-aligned moves by -5, centred by -2.
    EXPECT_EQ(FocusFrameOnScreen(2, text, 80, {0, 0}, {}), (FocusBox{-6, -1, 81, 14}));
    EXPECT_EQ(FocusFrameOnScreen(1, text, 80, {0, 0}, {}), (FocusBox{-3, -1, 84, 14}));
}

}  // namespace
