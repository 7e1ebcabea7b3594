#include "fakes/fake_shell.h"
#include "fakes/rc_string_table.h"
#include "ui/static_link.h"

#include <gtest/gtest.h>

namespace {

class StaticLinkTest : public ::testing::Test {
protected:
    RcStringTable strings = ShippedStrings();
    FakeShell shell;
    FakeLinkWindow window;
};

TEST_F(StaticLinkTest, TriesTargetThenEntryOfItsIdThenItsTextAndTurnsVisited)
{
    const struct {
        const char* what;
        std::wstring target;
        bool entryForId;
        std::set<std::wstring> openable;
        std::vector<std::wstring> attempts;
        std::wstring keptTarget;
    } cases[] = {
        {"explicit target opens", L"http://t", true, {L"http://t", L"http://e", L"http://w"}, {L"http://t"},
         L"http://t"},
        {"target refused, entry opens", L"http://t", true, {L"http://e", L"http://w"}, {L"http://t", L"http://e"},
         L"http://e"},
        {"no target, no entry: the text", L"", false, {L"http://w"}, {L"http://w"}, L"http://w"},
        {"all refused but the text", L"http://t", true, {L"http://w"}, {L"http://t", L"http://e", L"http://w"},
         L"http://w"},
    };
    for (const auto& c : cases) {
        shell = FakeShell();
        shell.openable = c.openable;
        window = FakeLinkWindow();
        window.text = L"http://w";
        window.id = 1001;
        if (c.entryForId)
            strings.entries[1001] = L"http://e";
        else
            strings.entries.erase(1001);
        CStaticLink link(c.target);
        EXPECT_EQ(link.m_crText, CStaticLink::kUnvisitedColour) << c.what;
        EXPECT_TRUE(link.FollowLink(window, strings, shell)) << c.what;
        EXPECT_EQ(shell.attempts, c.attempts) << c.what;
        EXPECT_EQ(link.m_strTarget, c.keptTarget) << c.what;
        EXPECT_EQ(link.m_crText, CStaticLink::kVisitedColour) << c.what;
        EXPECT_EQ(window.invalidations, 1) << c.what;
        EXPECT_EQ(window.beeps, 0) << c.what;
    }
}

TEST_F(StaticLinkTest, NothingOpensBeepsAndKeepsTheColour)
{
    window.text = L"http://w";
    CStaticLink link(L"http://t");
    EXPECT_FALSE(link.FollowLink(window, strings, shell));
    EXPECT_EQ(window.beeps, 1);
    EXPECT_EQ(window.invalidations, 0);
    EXPECT_EQ(link.m_crText, CStaticLink::kUnvisitedColour);
    // The empty entry for the id is never offered to the shell.
    EXPECT_EQ(shell.attempts, (std::vector<std::wstring>{L"http://t", L"http://w"}));
}

TEST_F(StaticLinkTest, EmptyTextAndNoTargetNeverReachTheShell)
{
    CStaticLink link;
    EXPECT_FALSE(link.FollowLink(window, strings, shell));
    EXPECT_TRUE(shell.attempts.empty());
    EXPECT_EQ(window.beeps, 1);
}

TEST_F(StaticLinkTest, ASecondClickOpensTheKeptTextDirectlyAndStaysVisited)
{
    window.text = L"http://w";
    shell.openable = {L"http://w"};
    CStaticLink link;
    ASSERT_TRUE(link.FollowLink(window, strings, shell));
    shell.attempts.clear();
    window.text = L"http://changed";
    ASSERT_TRUE(link.FollowLink(window, strings, shell));
    EXPECT_EQ(shell.attempts, std::vector<std::wstring>{L"http://w"});
    EXPECT_EQ(link.m_crText, CStaticLink::kVisitedColour);
}

TEST_F(StaticLinkTest, ShellResultCountsOnlyAbove32)
{
    class ValueShell final : public Shell {
    public:
        std::intptr_t value = 0;
        std::intptr_t Open(const std::wstring&) override { return value; }
    } valueShell;
    for (const auto& [value, opened] : {std::pair{32, false}, {33, true}, {-1, false}, {0, false}}) {
        valueShell.value = value;
        EXPECT_EQ(CStaticLink::OpenLink(L"x", valueShell), opened) << value;
    }
    valueShell.value = 42;
    EXPECT_FALSE(CStaticLink::OpenLink(L"", valueShell));
}

TEST_F(StaticLinkTest, OnlyTheSpaceKeyFollows)
{
    window.text = L"http://w";
    shell.openable = {L"http://w"};
    CStaticLink link;
    for (const wchar_t key : {L'\r', L'a', L'\t'})
        EXPECT_FALSE(link.OnChar(key, window, strings, shell));
    EXPECT_TRUE(shell.attempts.empty());
    EXPECT_TRUE(link.OnChar(L' ', window, strings, shell));
    EXPECT_EQ(link.m_crText, CStaticLink::kVisitedColour);
}

TEST_F(StaticLinkTest, ColoursOnlyAlignedTextAndNeverWhenPlain)
{
    CStaticLink link;
    const struct {
        std::uint32_t style;
        bool coloured;
    } cases[] = {{0x50000000, true},  {0x50000001, true},  {0x50000002, true}, {0x50000003, false},
                 {0x50000080, false}, {0x5000000C, false}, {0x50000100, true}};
    for (const auto& c : cases)
        EXPECT_EQ(link.UsesLinkColours(c.style), c.coloured) << std::hex << c.style;
    EXPECT_TRUE(link.UsesHandCursor());
    link.m_bPlain = true;
    EXPECT_FALSE(link.UsesLinkColours(0x50000000));
    EXPECT_FALSE(link.UsesHandCursor());
}

}  // namespace
