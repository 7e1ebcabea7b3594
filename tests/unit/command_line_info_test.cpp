#include "app/command_line_info.h"

#include <gtest/gtest.h>

namespace {

std::wstring Forward(const std::vector<std::wstring>& arguments, std::wstring_view program = L"Mini")
{
    CCommandLineInfoEx info;
    info.ParseCommandLine(arguments);
    std::wstring line;
    info.BuildForwardedCommandLine(program, line);
    return line;
}

TEST(OptionTable, BucketsFollowTheUtf16Hash)
{
    EXPECT_EQ(OptionTable::BucketOf(L"IAgreeToTheEULA"), 9u);
    EXPECT_EQ(OptionTable::BucketOf(L"log"), 15u);
    EXPECT_EQ(OptionTable::BucketOf(L""), 0u);
    // h = 'a' = 97 -> 97 mod 17 = 12; a character outside the BMP hashes as
    // its two surrogate code units on every platform.
    EXPECT_EQ(OptionTable::BucketOf(L"a"), 12u);
    const std::uint32_t high = 0xD83D, low = 0xDE00;
    EXPECT_EQ(OptionTable::BucketOf(std::wstring(1, static_cast<wchar_t>(0x1F600))) ,
              ((high * 33u) + low) % 17u);
}

TEST(OptionTable, IterationIsBucketOrderThenNewestFirstInAChain)
{
    OptionTable table;
    // "a" (12), "r" (114 mod 17 = 12) share a chain; "b" is 98 mod 17 = 13.
    table.Set(L"b", L"1");
    table.Set(L"a", L"2");
    table.Set(L"r", L"3");
    table.Set(L"a", L"4");  // existing name keeps its place
    const auto entries = table.Entries();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0], (OptionTable::Entry{L"r", L"3"}));
    EXPECT_EQ(entries[1], (OptionTable::Entry{L"a", L"4"}));
    EXPECT_EQ(entries[2], (OptionTable::Entry{L"b", L"1"}));
    table.Remove(L"r");
    EXPECT_EQ(table.Entries().front().first, L"a");
    EXPECT_EQ(table.Find(L"r"), nullptr);
}

TEST(ForwardedCommandLine, WorkedExample)
{
    EXPECT_EQ(Forward({L"log", L"c:\\log.txt", L"/IAgreeToTheEULA"}), L"/IAgreeToTheEULA /log \"c:\\log.txt\" TW_I=\"Mini\" ");
}

TEST(ForwardedCommandLine, NoArgumentsGiveTheProgramNameAlone)
{
    EXPECT_EQ(Forward({}), L"TW_I=\"Mini\" ");
    EXPECT_EQ(Forward({}, L""), L"TW_I=\"\" ");
}

TEST(ForwardedCommandLine, ValueForms)
{
    struct Case {
        std::vector<std::wstring> arguments;
        std::wstring expected;
    } cases[] = {
        // A switch is forwarded with its slash whichever prefix it came with.
        {{L"-quiet"}, L"/quiet TW_I=\"Mini\" "},
        // A bare item keeps no quotes even with blanks inside.
        {{L"INSTALLDIR=C:\\Program Files\\X"}, L"INSTALLDIR=C:\\Program Files\\X TW_I=\"Mini\" "},
        // A trailing backslash is doubled so it cannot escape the quote...
        {{L"temp", L"D:\\"}, L"/temp \"D:\\\\\" TW_I=\"Mini\" "},
        // ...but not in a one-character value.
        {{L"temp", L"\\"}, L"/temp \"\\\" TW_I=\"Mini\" "},
        // "TRUE" in any case counts as a switch value.
        {{L"log", L"true"}, L"/log TW_I=\"Mini\" "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Forward(c.arguments), c.expected) << c.arguments.front();
}

TEST(ParseParam, PendingNameRules)
{
    struct Case {
        const char* what;
        std::vector<std::wstring> arguments;
        const wchar_t* name;
        std::optional<std::wstring> value;
    } cases[] = {
        {"bare word takes the next argument", {L"log", L"x.txt"}, L"log", L"x.txt"},
        {"any case is recognised, stored as typed", {L"LOG", L"x.txt"}, L"LOG", L"x.txt"},
        {"LOG does not set log", {L"LOG", L"x.txt"}, L"log", std::nullopt},
        {"last word is a bare item", {L"log"}, L"log", L""},
        {"a switch empties the pending name", {L"log", L"/q", L"x"}, L"x", L""},
        {"a later word replaces the pending one", {L"log", L"temp", L"c:\\x"}, L"temp", L"c:\\x"},
        {"... and log stays unset", {L"log", L"temp", L"c:\\x"}, L"log", std::nullopt},
        {"switch form gives TRUE", {L"/log", L"x"}, L"log", L"TRUE"},
    };
    for (const auto& c : cases) {
        CCommandLineInfoEx info;
        info.ParseCommandLine(c.arguments);
        std::wstring value;
        const bool found = info.GetOption(c.name, value);
        EXPECT_EQ(found, c.value.has_value()) << c.what;
        if (c.value)
            EXPECT_EQ(value, *c.value) << c.what;
        else
            EXPECT_TRUE(value.empty()) << c.what;
    }
}

TEST(ParseParam, FlagsAndMissingValues)
{
    CCommandLineInfoEx info;
    info.ParseCommandLine({L"/keep", L"-log", L"temp", L"TRUE", L"/KEEP"});
    EXPECT_TRUE(info.IsFlag(L"keep"));
    EXPECT_TRUE(info.IsFlag(L"KEEP"));
    EXPECT_FALSE(info.IsFlag(L"Keep"));  // names compare exactly
    EXPECT_TRUE(info.IsMissingValue(L"log"));
    // temp holds TRUE but came as a bare word: a value, not a missing one.
    EXPECT_TRUE(info.IsFlag(L"temp"));
    EXPECT_FALSE(info.IsMissingValue(L"temp"));
    info.RemoveOption(L"keep");
    EXPECT_FALSE(info.IsFlag(L"keep"));
}

TEST(ParseParam, QuotedValueIsRejoined)
{
    // CFU="a b c" arrives split in three; rejoined with single blanks.
    EXPECT_EQ(Forward({L"CFU=\"a", L"b", L"c\"", L"x"}), L"x CFU=\"a b c\" TW_I=\"Mini\" ");
    // A piece with a switch prefix is a switch even inside the value.
    CCommandLineInfoEx info;
    info.ParseCommandLine({L"cfu=\"a", L"/s", L"b\""});
    std::wstring value;
    EXPECT_TRUE(info.IsFlag(L"s"));
    EXPECT_TRUE(info.GetOption(L"cfu=\"a b\"", value));
    // A value whose closing quote never comes is dropped.
    EXPECT_EQ(Forward({L"CFU=\"a", L"b"}), L"TW_I=\"Mini\" ");
    // Path words inside the value do not become pending names.
    EXPECT_EQ(Forward({L"CFU=\"log", L"x\""}), L"CFU=\"log x\" TW_I=\"Mini\" ");
}

}  // namespace
