#include "ui/static_ex_win32.h"

#include <algorithm>
#include <iterator>

CStaticEx::CStaticEx()
{
    LOGFONTW font = {};
    font.lfHeight = 14;  // positive: the cell height
    font.lfWeight = FW_BOLD;
    constexpr wchar_t kFace[] = L"Tahoma";  // with its terminator; the rest is zero already
    std::copy(std::begin(kFace), std::end(kFace), font.lfFaceName);
    m_fontHeading.Reset(::CreateFontIndirectW(&font));
}

// Some systems (Wine) select the control's own font after the colour
// request, so the heading font is also made the control's font.
void CStaticEx::PreSubclassWindow()
{
    if (m_fontHeading)
        ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontHeading.Get()), FALSE);
}

HBRUSH CStaticEx::OnReflectedCtlColor(UINT message, HDC dc)
{
    if (message != WM_CTLCOLORSTATIC)
        return nullptr;
    if (m_fontHeading)
        ::SelectObject(dc, m_fontHeading.Get());
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}
