// Message texts of the string table, formatted with the program's own wide
// printf rules (app/format.h).
#pragma once

#include "app/format.h"
#include "app/string_table.h"

#include <span>
#include <string>

// The entry's text formatted with args. Every message entry is part of the
// build; should one still be missing, the text says which, so that the user
// sees more than an empty dialog.
std::wstring FormatMessageArgs(const StringTable& strings, unsigned id, std::span<const FormatArg> args);

template <typename... Args>
std::wstring FormatMessageId(const StringTable& strings, unsigned id, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        return FormatMessageArgs(strings, id, {});
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        return FormatMessageArgs(strings, id, list);
    }
}
