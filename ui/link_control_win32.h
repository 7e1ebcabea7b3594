// The hyperlink control's window: subclasses a static control and hands its
// clicks, keys, cursor and colours to the link's behaviour (CStaticLink).
#pragma once

#include "ui/framework_win32.h"
#include "ui/static_link.h"

class Shell;
class StringTable;

class LinkControl final : public CControl, private LinkWindow {
public:
    // The link's explicit target and whether the object deletes itself once
    // its window is gone (then it must have been made with new).
    LinkControl(const StringTable& strings, Shell& shell, std::wstring target = {}, bool deleteOnDestroy = false);

    bool FollowLink() { return m_link.FollowLink(*this, m_strings, m_shell); }
    void DrawFocusFrame();
    HBRUSH OnReflectedCtlColor(UINT message, HDC dc) override;

    CStaticLink m_link;

private:
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void PostNcDestroy() override;

    // LinkWindow
    std::wstring GetText() const override;
    unsigned GetId() const override;
    void Invalidate() override;
    void Beep() override;

    const StringTable& m_strings;
    Shell& m_shell;
    UniqueGdiObject m_fontUnderline;  // made on the first colour request
};
