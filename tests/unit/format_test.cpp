#include "app/format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

namespace {

struct FormatCase {
    const wchar_t* format;
    std::wstring expected;
    std::wstring actual;
};

TEST(Format, ConversionsTheSystemUses)
{
    const std::wstring name = L"Corvane";
    const FormatCase cases[] = {
        {L"%s failed with exit code 0x%8x.", L"Corvane failed with exit code 0x       5.", Format(L"%s failed with exit code 0x%8x.", name, 5u)},
        {L"0x%8x", L"0x80131700", Format(L"0x%8x", 0x80131700u)},
        {L"0x%8x (int)", L"0xffffffff", Format(L"0x%8x", -1)},
        {L"%d negative", L"RunProgram returned -1", Format(L"RunProgram returned %d", 0xFFFFFFFFu)},
        {L"%d of int64 keeps 32 bits", L"-2146232576", Format(L"%d", static_cast<std::int64_t>(0x80131700u))},
        {L"%ld", L"Started 123456", Format(L"Started %ld", 123456u)},
        {L"%I64d", L"524287999 and -5", Format(L"%I64d and %I64d", std::int64_t{524287999}, std::int64_t{-5})},
        {L"%I64d large", L"9223372036854775807", Format(L"%I64d", INT64_MAX)},
        {L"%x", L"Enumerate Resources TOOLKIT 66", Format(L"Enumerate Resources %s %x", L"TOOLKIT", 102)},
        {L"%%", L"100%", Format(L"100%%")},
        {L"%-5d|", L"42   |", Format(L"%-5d|", 42)},
        {L"%05d", L"-0042", Format(L"%05d", -42)},
        {L"%.3s", L"Cor", Format(L"%.3s", name)},
        {L"%c", L"A", Format(L"%c", L'A')},
        {L"%X", L"DEADBEEF", Format(L"%X", 0xDEADBEEFu)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.actual, c.expected) << c.format;
}

TEST(Format, SixtyFourBitValuesInEveryBase)
{
    EXPECT_EQ(Format(L"%I64d", INT64_MIN), L"-9223372036854775808");
    EXPECT_EQ(Format(L"%I64u", UINT64_MAX), L"18446744073709551615");
    EXPECT_EQ(Format(L"%I64x", UINT64_MAX), L"ffffffffffffffff");
    EXPECT_EQ(Format(L"%I64X", std::uint64_t{0x123456789ABCDEF0}), L"123456789ABCDEF0");
    EXPECT_EQ(Format(L"%I64o", UINT64_MAX), L"1777777777777777777777");
    EXPECT_EQ(Format(L"%I64u", std::uint64_t{10000000000000000000u}), L"10000000000000000000");
    EXPECT_EQ(Format(L"%I64u", std::uint64_t{0x100000000}), L"4294967296");
    EXPECT_EQ(Format(L"%I64u", std::uint64_t{0}), L"0");
}

TEST(Format, LongIsThirtyTwoBitsAsOnWindows)
{
    EXPECT_EQ(Format(L"%ld", 0xFFFFFFFFu), L"-1");
    EXPECT_EQ(Format(L"%ld", std::int64_t{0x100000001}), L"1");
}

TEST(Format, PointerIsUpperCaseHexOfPointerWidth)
{
    const void* pointer = reinterpret_cast<const void*>(static_cast<std::uintptr_t>(0xABC));
    std::wstring expected(2 * sizeof(void*) - 3, L'0');
    expected += L"ABC";
    EXPECT_EQ(Format(L"%p", pointer), expected);
}

TEST(Format, NullStringPrintsNullMarker)
{
    const wchar_t* nothing = nullptr;
    EXPECT_EQ(Format(L"[%s]", nothing), L"[(null)]");
    // Only a null pointer is null: empty texts print nothing.
    EXPECT_EQ(Format(L"[%s|%s|%s]", std::wstring_view(), std::wstring(), L""), L"[||]");
}

TEST(Format, AsciiFormatGivesTheSameTextAsTheWideOne)
{
    const std::wstring name = L"n\u00e4me";
    EXPECT_EQ(Format("none"), L"none");
    EXPECT_EQ(Format("%s=%d %I64x%c", name, -3, std::uint64_t{0x1234567890}, L'!'),
              Format(L"%s=%d %I64x%c", name, -3, std::uint64_t{0x1234567890}, L'!'));
    EXPECT_EQ(Format("[%s]", static_cast<const wchar_t*>(nullptr)), L"[(null)]");
}

TEST(Format, MissingOrMismatchedArgumentsProduceNothing)
{
    EXPECT_EQ(Format(L"a%sb%dc"), L"abc");
    EXPECT_EQ(Format(L"[%s]", 5), L"[]");
    EXPECT_EQ(Format(L"[%d]", L"text"), L"[]");
    EXPECT_EQ(Format(L"trailing %"), L"trailing ");
    EXPECT_EQ(Format(L"%q"), L"q");
}

TEST(Format, HugeWidthIsBounded)
{
    EXPECT_LE(Format(L"%99999999999999999999d", 1).size(), 4096u);
}

TEST(Format, NonAsciiTextPassesThrough)
{
    EXPECT_EQ(Format(L"Temp folder '%s'", std::wstring(L"C:\\T\u00e9mp\u4e2d")), L"Temp folder 'C:\\T\u00e9mp\u4e2d'");
}

}  // namespace
