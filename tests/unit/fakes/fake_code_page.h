#pragma once

#include "app/code_page.h"

// A single-byte code page: Latin-1 characters map to their own byte, every
// other character to the default character '?'.
class FakeCodePage final : public CodePage {
public:
    std::string ToAnsi(std::wstring_view text) const override
    {
        std::string out;
        for (const wchar_t c : text)
            out.push_back(static_cast<std::uint32_t>(c) <= 0xFF ? static_cast<char>(c) : '?');
        return out;
    }
    std::wstring FromAnsi(std::string_view text) const override
    {
        std::wstring out;
        for (const char c : text)
            out.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        return out;
    }
};
