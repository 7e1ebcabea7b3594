#include "ui/static_link.h"

#include "app/string_table.h"
#include "ui/shell.h"

namespace {

constexpr std::intptr_t kLowestShellSuccess = 33;

}  // namespace

bool CStaticLink::OpenLink(const std::wstring& text, Shell& shell)
{
    if (text.empty())
        return false;
    return shell.Open(text) >= kLowestShellSuccess;
}

bool CStaticLink::FollowLink(LinkWindow& window, const StringTable& strings, Shell& shell)
{
    bool opened = !m_strTarget.empty() && OpenLink(m_strTarget, shell);
    if (!opened) {
        m_strTarget = strings.Load(window.GetId());
        opened = !m_strTarget.empty() && OpenLink(m_strTarget, shell);
    }
    if (!opened) {
        // Kept as the target, so the next click opens the text directly.
        m_strTarget = window.GetText();
        opened = OpenLink(m_strTarget, shell);
    }
    if (!opened) {
        window.Beep();
        return false;
    }
    m_crText = kVisitedColour;
    window.Invalidate();
    return true;
}

bool CStaticLink::OnChar(wchar_t character, LinkWindow& window, const StringTable& strings, Shell& shell)
{
    if (character != kFollowKey)
        return false;
    FollowLink(window, strings, shell);
    return true;
}

bool CStaticLink::UsesLinkColours(std::uint32_t style) const
{
    constexpr std::uint32_t kTextTypeMask = 0xFF;
    constexpr std::uint32_t kLastTextAlignment = 2;  // SS_RIGHT
    return !m_bPlain && (style & kTextTypeMask) <= kLastTextAlignment;
}
