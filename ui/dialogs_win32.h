#pragma once

#include "ui/dialogs.h"
#include "ui/shell_win32.h"
#include "ui/ui_context_win32.h"

class StringTable;

// The program's dialogs on the Windows desktop.
class Win32Dialogs final : public Dialogs {
public:
    Win32Dialogs(HINSTANCE instance, const StringTable& strings) : m_context{instance, strings, m_shell} {}

    void InitializeUserInterface() override;
    int AskQuestion(const std::wstring& message, const std::wstring& heading) override;
    void ShowError(const std::wstring& message, const std::wstring& link) override;
    std::optional<std::wstring> AskTempFolder(const std::wstring& title, const std::wstring& folder) override;
    std::unique_ptr<Splash> CreateSplash() override;

private:
    Win32Shell m_shell;
    UiContext m_context;
};
