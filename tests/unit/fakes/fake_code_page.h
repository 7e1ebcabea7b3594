#pragma once

#include "app/code_page.h"

#include <cstdint>

// Code page 1252 as the platform converts with WC_NO_BEST_FIT_CHARS: a
// character with a byte of its own maps to it, every other one (fullwidth
// forms, U+0080, CJK, ...) to the default character '?', never to an ASCII
// lookalike. Bytes 0x80-0x9F are the code page's own table, in which the
// five unassigned bytes stand for the control characters of the same value.
class FakeCodePage final : public CodePage {
public:
    std::string ToAnsi(std::wstring_view text) const override
    {
        std::string out;
        for (const wchar_t c : text)
            out.push_back(ByteOf(static_cast<std::uint32_t>(c)));
        return out;
    }
    std::wstring FromAnsi(std::string_view text) const override
    {
        std::wstring out;
        for (const char c : text) {
            const auto byte = static_cast<unsigned char>(c);
            out.push_back(byte >= 0x80 && byte <= 0x9F ? static_cast<wchar_t>(kBytes80To9F[byte - 0x80])
                                                       : static_cast<wchar_t>(byte));
        }
        return out;
    }

private:
    static constexpr char16_t kBytes80To9F[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
    };

    static char ByteOf(std::uint32_t c)
    {
        for (std::uint32_t i = 0; i < 32; ++i) {
            if (kBytes80To9F[i] == c)
                return static_cast<char>(0x80 + i);
        }
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
            return static_cast<char>(c);
        return '?';
    }
};
