// Message texts of the string table, formatted with the program's own wide
// printf rules (app/format.h).
#pragma once

#include "app/format.h"
#include "app/string_table.h"

#include <string>

// The entry's text formatted with args. Every message entry is part of the
// build; should one still be missing, the text says which, so that the user
// sees more than an empty dialog.
template <typename... Args>
std::wstring FormatMessageId(const StringTable& strings, unsigned id, const Args&... args)
{
    const std::wstring format = strings.Load(id);
    if (format.empty())
        return Format(L"Message %d is missing from this build.", id);
    return Format(format, args...);
}
