#include "ui/link_control_win32.h"

#include "ui/focus_frame.h"

namespace {

// Loaded on first use and kept for the life of the process; a failed load is
// tried again on the next mouse move.
HCURSOR g_hLinkCursor = nullptr;

}  // namespace

LinkControl::LinkControl(const StringTable& strings, Shell& shell, std::wstring target, bool deleteOnDestroy)
    : m_link(std::move(target), deleteOnDestroy), m_strings(strings), m_shell(shell)
{
}

std::wstring LinkControl::GetText() const
{
    return GetWindowTextString(m_hWnd);
}

unsigned LinkControl::GetId() const
{
    return static_cast<unsigned>(::GetDlgCtrlID(m_hWnd));
}

void LinkControl::Invalidate()
{
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

void LinkControl::Beep()
{
    ::MessageBeep(0);
}

void LinkControl::PostNcDestroy()
{
    if (m_link.m_bDeleteOnDestroy)
        delete this;
}

HBRUSH LinkControl::OnReflectedCtlColor(UINT, HDC dc)
{
    if (!m_link.UsesLinkColours(static_cast<std::uint32_t>(::GetWindowLongW(m_hWnd, GWL_STYLE))))
        return nullptr;
    if (!m_fontUnderline) {
        LOGFONTW font = {};
        const auto current = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        if (!current || !::GetObjectW(current, sizeof(font), &font))
            ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font);
        font.lfUnderline = TRUE;
        m_fontUnderline.Reset(::CreateFontIndirectW(&font));
        // Some systems (Wine) select the control's own font after the colour
        // request; as the control's font it is drawn there too from the next
        // painting on.
        if (m_fontUnderline) {
            ::SendMessageW(m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_fontUnderline.Get()), FALSE);
            ::InvalidateRect(m_hWnd, nullptr, FALSE);
        }
    }
    if (m_fontUnderline)
        ::SelectObject(dc, m_fontUnderline.Get());
    ::SetTextColor(dc, m_link.m_crText);
    ::SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
}

void LinkControl::DrawFocusFrame()
{
    const HWND parent = ::GetParent(m_hWnd);
    if (!parent)
        return;
    const auto style = static_cast<std::uint32_t>(::GetWindowLongW(m_hWnd, GWL_STYLE));
    RECT text = {};
    if (FrameFollowsText(style)) {
        const std::wstring caption = GetText();
        WindowDC dc(m_hWnd);
        const auto font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        const HGDIOBJ previous = font ? ::SelectObject(dc.Get(), font) : nullptr;
        ::DrawTextW(dc.Get(), caption.c_str(), static_cast<int>(caption.size()), &text, DT_CALCRECT);
        if (previous)
            ::SelectObject(dc.Get(), previous);
    }
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    POINT origin = {0, 0};
    ::ClientToScreen(m_hWnd, &origin);
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);

    const FocusBox frame = FocusFrameOnScreen(style, {text.left, text.top, text.right, text.bottom},
                                               client.right - client.left, {origin.x, origin.y},
                                               {window.left, window.top, window.right, window.bottom});
    RECT onParent = {frame.left, frame.top, frame.right, frame.bottom};
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&onParent), 2);
    WindowDC parentDc(parent);
    ::DrawFocusRect(parentDc.Get(), &onParent);
}

bool LinkControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_NCHITTEST:
        // A static control lets clicks through to its parent; a link wants them.
        result = HTCLIENT;
        return true;
    case WM_GETDLGCODE:
        result = DLGC_WANTCHARS;
        return true;
    case WM_CHAR:
        m_link.OnChar(static_cast<wchar_t>(wParam), *this, m_strings, m_shell);
        result = 0;
        return true;
    case WM_LBUTTONUP:
        FollowLink();
        result = 0;
        return true;
    case WM_SETCURSOR:
        if (!m_link.UsesHandCursor())
            return false;
        if (!g_hLinkCursor)
            g_hLinkCursor = ::LoadCursorW(nullptr, IDC_HAND);
        if (g_hLinkCursor)
            ::SetCursor(g_hLinkCursor);
        result = g_hLinkCursor ? TRUE : FALSE;
        return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        // Inverting: the second call takes away what the first drew.
        DrawFocusFrame();
        result = Default(message, wParam, lParam);
        return true;
    default:
        return false;
    }
}
