#include "app/command_tail.h"

const wchar_t* CommandLineTail(const wchar_t* commandLine)
{
    if (!commandLine)
        return L"";
    const wchar_t* at = commandLine;
    bool inQuotes = false;
    while (*at > L' ' || (*at && inQuotes)) {
        if (*at == L'"')
            inQuotes = !inQuotes;
        ++at;
    }
    while (*at && *at <= L' ')
        ++at;
    return at;
}
