#include "app/text.h"

#include <gtest/gtest.h>

namespace {

TEST(ParseLong, ConvertsAsTheRuntimesWcstolWithBaseTen)
{
    const struct {
        const wchar_t* text;
        std::int32_t expected;
    } cases[] = {
        {L"500", 500},
        {L"0", 0},
        {L"", 0},
        {L"-1", -1},
        {L"+7", 7},
        {L"-0", 0},
        {L" 2abc", 2},
        {L"\t\r\n 12", 12},
        {L"abc", 0},
        {L"- 5", 0},
        {L"1 2", 1},
        {L"2147483647", 2147483647},
        {L"2147483648", 2147483647},
        {L"99999999999999999999999", 2147483647},
        {L"-2147483648", -2147483647 - 1},
        {L"-2147483649", -2147483647 - 1},
        {L"0004", 4},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseLong(c.text), c.expected) << c.text;
}

}  // namespace
