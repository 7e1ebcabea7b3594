#include "ui/format_message.h"

std::wstring FormatMessageArgs(const StringTable& strings, unsigned id, std::span<const FormatArg> args)
{
    const std::wstring format = strings.Load(id);
    if (format.empty())
        return Format("Message %d is missing from this build.", id);
    return FormatArgs(format, args);
}
