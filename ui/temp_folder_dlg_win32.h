// Asks for another place for the temporary folder. The text is handed back
// as typed: it is not examined here.
#pragma once

#include "ui/framework_win32.h"
#include "ui/ui_context_win32.h"

#include <string>

class CTempFolderDialog final : public CDialog {
public:
    CTempFolderDialog(const UiContext& context, std::wstring title);

    std::wstring m_strTitle;
    std::wstring m_strFolder;  // in and out

private:
    void DoDataExchange(CDataExchange& exchange) override;
    BOOL OnInitDialog() override;

    CControl m_edit;
};
