// What every fuzz target shares: reading the input as wide text and stopping
// with a readable line when an invariant does not hold.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

// The bytes as wide text of 16-bit units, as on Windows: a well-formed UTF-8
// sequence of up to three bytes becomes its code unit (so seeds stay
// readable and every unit, lone surrogates included, is reachable), any
// other byte stands for itself.
inline std::wstring WideFromBytes(const std::uint8_t* data, std::size_t size)
{
    std::wstring text;
    text.reserve(size);
    for (std::size_t i = 0; i < size;) {
        const std::uint8_t lead = data[i];
        auto follows = [&](std::size_t k) { return i + k < size && (data[i + k] & 0xC0) == 0x80; };
        if (lead >= 0xC2 && lead <= 0xDF && follows(1)) {
            text.push_back(static_cast<wchar_t>(((lead & 0x1F) << 6) | (data[i + 1] & 0x3F)));
            i += 2;
        } else if (lead >= 0xE0 && lead <= 0xEF && follows(1) && follows(2) && (lead > 0xE0 || data[i + 1] >= 0xA0)) {
            text.push_back(static_cast<wchar_t>(((lead & 0x0F) << 12) | ((data[i + 1] & 0x3F) << 6) | (data[i + 2] & 0x3F)));
            i += 3;
        } else {
            text.push_back(static_cast<wchar_t>(lead));
            i += 1;
        }
    }
    return text;
}

// The text cut at every line feed; a text without one is one line.
inline std::vector<std::wstring> SplitLines(std::wstring_view text)
{
    std::vector<std::wstring> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find(L'\n'); end != std::wstring_view::npos; end = text.find(L'\n', start)) {
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    lines.emplace_back(text.substr(start));
    return lines;
}

// An invariant of the code under test; a broken one is a finding, so the
// process stops the way libFuzzer records as a crash.
#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "invariant broken at %s:%d: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (false)
