// The message dialog: banner, bold heading, message text, an optional
// download link, and either Cancel alone (error form) or Yes and No
// (question form). Its system menu opens the about box.
#pragma once

#include "ui/framework_win32.h"
#include "ui/link_control_win32.h"
#include "ui/static_ex_win32.h"
#include "ui/ui_context_win32.h"

#include <string>

class CVelloxInstallerDlg final : public CDialog {
public:
    // The error form, without a parent.
    explicit CVelloxInstallerDlg(const UiContext& context);
    CVelloxInstallerDlg(const UiContext& context, bool question, HWND parent);

    std::wstring m_strMessage;
    std::wstring m_strHeading;
    std::wstring m_strLink;

private:
    void DoDataExchange(CDataExchange& exchange) override;
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void AddAboutItem();
    bool PaintMinimised();

    UiContext m_context;
    HICON m_hAppIcon;
    HICON m_hSmallIcon;
    CStaticEx m_heading;
    LinkControl m_link;
    CControl m_okButton;
    CControl m_cancelButton;
    bool m_bQuestion;
};
