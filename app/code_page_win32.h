#pragma once

#include "app/code_page.h"

class ThreadCodePage final : public CodePage {
public:
    std::string ToAnsi(std::wstring_view text) const override;
    std::wstring FromAnsi(std::string_view text) const override;
};
