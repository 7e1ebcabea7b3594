#include "ui/dialogs_win32.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

namespace {

// No window yet: the splash dialog comes with the user-interface issue.
class NoSplash final : public Splash {
public:
    bool IsOpen() const override { return false; }
    void Show() override {}
    void Hide() override {}
    void End() override {}
};

}  // namespace

void Win32Dialogs::InitializeUserInterface()
{
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = 0xFF;
    ::InitCommonControlsEx(&controls);
    ::CoInitialize(nullptr);
}

int Win32Dialogs::AskQuestion(const std::wstring& message, const std::wstring& heading)
{
    const std::wstring text = heading + L"\n\n" + message;
    const int choice = ::MessageBoxW(nullptr, text.c_str(), m_strTitle.c_str(), MB_YESNO | MB_ICONWARNING);
    return choice == IDYES ? kOk : kCancel;
}

void Win32Dialogs::ShowError(const std::wstring& message, const std::wstring& link)
{
    const std::wstring text = link.empty() ? message : message + L"\n\n" + link;
    ::MessageBoxW(nullptr, text.c_str(), m_strTitle.c_str(), MB_OK | MB_ICONERROR);
}

std::optional<std::wstring> Win32Dialogs::AskTempFolder(const std::wstring&, const std::wstring&)
{
    return std::nullopt;  // declined until the folder dialog exists
}

std::unique_ptr<Splash> Win32Dialogs::CreateSplash()
{
    return std::make_unique<NoSplash>();
}
