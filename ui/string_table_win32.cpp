#include "ui/string_table_win32.h"

std::wstring Win32StringTable::Load(unsigned id) const
{
    // With a zero buffer size LoadStringW hands back a pointer into the
    // read-only resource itself, so no length limit applies.
    const wchar_t* text = nullptr;
    const int length = ::LoadStringW(m_hModule, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || !text)
        return {};
    return std::wstring(text, static_cast<std::size_t>(length));
}
