#include "app/command_tail.h"

#include <gtest/gtest.h>

#include <string>

TEST(CommandTail, SkipsTheProgramNameAndTheBlanksAfterIt)
{
    const struct {
        const wchar_t* line;
        const wchar_t* tail;
    } cases[] = {
        {L"setup.exe /q temp C:\\x", L"/q temp C:\\x"},
        {L"\"C:\\Program Files\\setup.exe\" /q", L"/q"},
        {L"\"C:\\Program Files\\setup.exe\"/q", L""},  // a closing quote does not end the name
        {L"C:\\a\" b\"\\setup.exe  \t /q  ", L"/q  "},    // quotes inside the name
        {L"\"unterminated name /q", L""},
        {L"setup.exe", L""},
        {L"setup.exe   ", L""},
        {L"", L""},
        {L"  leading.exe /x", L"leading.exe /x"},  // an empty name: only the blanks go
        {L"setup.exe\x01\x1f/q", L"/q"},           // control characters count as blanks
    };
    for (const auto& c : cases)
        EXPECT_EQ(std::wstring(CommandLineTail(c.line)), c.tail) << std::wstring(c.line).size();
}

TEST(CommandTail, NullLineGivesEmptyTail)
{
    EXPECT_EQ(std::wstring(CommandLineTail(nullptr)), L"");
}
