#pragma once

#include "app/string_table.h"

#include <windows.h>

class Win32StringTable final : public StringTable {
public:
    explicit Win32StringTable(HINSTANCE module) : m_hModule(module) {}
    std::wstring Load(unsigned id) const override;

private:
    HINSTANCE m_hModule;
};
