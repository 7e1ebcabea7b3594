// The about box: product name, version and a notice line.
#pragma once

#include "ui/framework_win32.h"
#include "ui/ui_context_win32.h"

class CAboutDlg final : public CDialog {
public:
    CAboutDlg(const UiContext& context, HWND parent);

private:
    BOOL OnInitDialog() override;
    void ShowAppIconInPicture();

    UiContext m_context;
};
