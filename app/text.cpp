#include "app/text.h"

namespace {

wchar_t FoldAscii(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

}  // namespace

bool EqualsNoCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldAscii(a[i]) != FoldAscii(b[i]))
            return false;
    }
    return true;
}

bool StartsWithNoCase(std::wstring_view text, std::wstring_view prefix)
{
    return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

std::u16string ToUtf16(std::wstring_view text)
{
    std::u16string units;
    units.reserve(text.size());
    ForEachUtf16Unit(text, [&units](char16_t unit) { units.push_back(unit); });
    return units;
}

std::uint32_t HResultFromWin32(std::uint32_t error)
{
    return (error & 0x80000000u) || error == 0 ? error : (error & 0xFFFFu) | 0x80070000u;
}

std::int32_t ParseLong(std::wstring_view text)
{
    std::size_t at = 0;
    while (at < text.size() && (text[at] == L' ' || (text[at] >= L'\t' && text[at] <= L'\r')))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-'))
        negative = text[at++] == L'-';
    // Accumulated as a magnitude that stops growing just past the 32-bit range.
    constexpr std::int64_t kLimit = std::int64_t{1} << 32;
    std::int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        if (magnitude < kLimit)
            magnitude = magnitude * 10 + (text[at] - L'0');
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX)
        return INT32_MAX;
    if (value < INT32_MIN)
        return INT32_MIN;
    return static_cast<std::int32_t>(value);
}
