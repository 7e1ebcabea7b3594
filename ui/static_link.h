// A text control that behaves as a hyperlink: blue until it has been opened,
// purple afterwards; a click or the space key opens its target.
//
// This is the link's behaviour; the window it lives in is reached through
// LinkWindow so the decisions run without a screen.
#pragma once

#include <cstdint>
#include <string>

class Shell;
class StringTable;

// The control as the link sees it.
class LinkWindow {
public:
    virtual ~LinkWindow() = default;
    virtual std::wstring GetText() const = 0;
    virtual unsigned GetId() const = 0;
    // Repaints the whole control, background included.
    virtual void Invalidate() = 0;
    // The default warning sound.
    virtual void Beep() = 0;
};

class CStaticLink {
public:
    // Colours as COLORREF values (0x00BBGGRR), shared by every link.
    static constexpr std::uint32_t kUnvisitedColour = 0x00FF0000;  // blue
    static constexpr std::uint32_t kVisitedColour = 0x00800080;    // purple
    static constexpr wchar_t kFollowKey = L' ';

    explicit CStaticLink(std::wstring target = {}, bool deleteOnDestroy = false)
        : m_strTarget(std::move(target)), m_bDeleteOnDestroy(deleteOnDestroy)
    {
    }

    // Opens the explicit target, else the string-table entry named by the
    // control's id, else the control's text; the first that opens is kept
    // as the target and the link turns to the visited colour. When none
    // opens: a warning beep, and the colour stays.
    bool FollowLink(LinkWindow& window, const StringTable& strings, Shell& shell);
    // False for an empty text; otherwise whether the shell opened it.
    static bool OpenLink(const std::wstring& text, Shell& shell);
    // A character typed while the control has the focus: the space key
    // follows the link, others do nothing. Whether the link was followed.
    bool OnChar(wchar_t character, LinkWindow& window, const StringTable& strings, Shell& shell);

    // Whether the control draws its text in the link colour and underlined
    // font; style is the control's window style. Only left-aligned, centred
    // and right-aligned text types are drawn as links.
    bool UsesLinkColours(std::uint32_t style) const;
    // Whether the hand cursor shows over the control.
    bool UsesHandCursor() const { return !m_bPlain; }

    std::wstring m_strTarget;
    std::uint32_t m_crText = kUnvisitedColour;
    bool m_bDeleteOnDestroy;
    bool m_bPlain = false;  // behave as a plain static control
};
