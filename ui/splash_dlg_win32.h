// The picture window shown while the worker extracts and starts the
// installer: no caption, no buttons, no text.
#pragma once

#include "ui/framework_win32.h"
#include "ui/ui_context_win32.h"

class SplashDlg final : public CDialog {
public:
    SplashDlg(const UiContext& context, HWND parent);

private:
    BOOL OnInitDialog() override;

    HICON m_hAppIcon;
    HICON m_hSmallIcon;
};
