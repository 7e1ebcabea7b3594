#pragma once

#include "ui/dialogs.h"

// Stand-ins for the real dialogs until the user-interface issue lands: plain
// message boxes, no splash window and no folder prompt.
class Win32Dialogs final : public Dialogs {
public:
    explicit Win32Dialogs(std::wstring title) : m_strTitle(std::move(title)) {}

    void InitializeUserInterface() override;
    int AskQuestion(const std::wstring& message, const std::wstring& heading) override;
    void ShowError(const std::wstring& message, const std::wstring& link) override;
    std::optional<std::wstring> AskTempFolder(const std::wstring& title, const std::wstring& folder) override;
    std::unique_ptr<Splash> CreateSplash() override;

private:
    std::wstring m_strTitle;
};
