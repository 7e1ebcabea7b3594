#include "fakes/rc_string_table.h"
#include "ui/dialog_texts.h"

#include <gtest/gtest.h>

namespace {

TEST(DialogTexts, QuestionAsksYesOrNoAndErrorOffersOnlyCancel)
{
    const MessageDialogButtons question = ButtonsForForm(true);
    EXPECT_TRUE(question.bShowOk);
    EXPECT_EQ(question.strOkLabel, L"Yes");
    EXPECT_EQ(question.strCancelLabel, L"No");
    const MessageDialogButtons error = ButtonsForForm(false);
    EXPECT_FALSE(error.bShowOk);
    EXPECT_EQ(error.strCancelLabel, L"");  // the template's "Cancel" stays
}

TEST(DialogTexts, AboutItemTitleAndVersionLine)
{
    RcStringTable strings = ShippedStrings();
    EXPECT_EQ(AboutMenuText(strings), L"&About Corvane...");
    EXPECT_EQ(AboutTitle(strings), L"About Corvane");
    EXPECT_EQ(AboutVersionLine(strings), L"Corvane Version 1.8.2.615");
    strings.entries[1] = L"Other";
    EXPECT_EQ(AboutVersionLine(strings), L"Other Version 1.8.2.615");
    strings.entries.erase(101);
    EXPECT_EQ(AboutMenuText(strings), L"");
}

TEST(DialogTexts, AboutCommandIgnoresTheLowFourBits)
{
    EXPECT_TRUE(IsAboutCommand(0x10));
    EXPECT_TRUE(IsAboutCommand(0x1F));
    EXPECT_FALSE(IsAboutCommand(0x20));
    EXPECT_FALSE(IsAboutCommand(0xF060));  // SC_CLOSE
    EXPECT_FALSE(IsAboutCommand(0x0F));
}

TEST(DialogTexts, MinimisedIconIsCentredWithDivisionTowardsZero)
{
    const struct {
        int width, height, x, y;
    } cases[] = {{160, 28, 64, -1}, {161, 29, 65, -1}, {32, 32, 0, 0}, {33, 34, 1, 1}, {0, 0, -15, -15}};
    for (const auto& c : cases) {
        const IconPosition at = CentredIconPosition(c.width, c.height, 32, 32);
        EXPECT_EQ(at.x, c.x) << c.width;
        EXPECT_EQ(at.y, c.y) << c.height;
    }
}

}  // namespace
