// A string literal that holds ASCII only, proven when the program is
// compiled. Such a text widens to UTF-16 character by character, so it can
// be stored narrow (half the bytes of a wide literal) and used where wide
// text is expected.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ascii_literal_detail {
// Not constexpr: reaching it while compiling a literal is a compile error.
void NotAscii();
}  // namespace ascii_literal_detail

class AsciiLiteral {
public:
    template <std::size_t N>
    consteval AsciiLiteral(const char (&text)[N]) : m_text(text, N - 1)
    {
        for (const char c : m_text) {
            if (static_cast<unsigned char>(c) >= 0x80)
                ascii_literal_detail::NotAscii();
        }
    }

    std::wstring Widen() const { return std::wstring(m_text.begin(), m_text.end()); }

private:
    std::string_view m_text;
};
