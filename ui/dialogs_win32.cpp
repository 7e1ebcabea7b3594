#include "ui/dialogs_win32.h"

#include "ui/installer_dlg_win32.h"
#include "ui/resource.h"
#include "ui/splash_dlg_win32.h"
#include "ui/temp_folder_dlg_win32.h"

#include <commctrl.h>
#include <objbase.h>

namespace {

class Win32Splash final : public Splash {
public:
    explicit Win32Splash(const UiContext& context) : m_dialog(context, nullptr)
    {
        m_bOpen = m_dialog.Create();
    }
    bool IsOpen() const override { return m_bOpen; }
    void Show() override { ::ShowWindow(m_dialog.GetSafeHwnd(), SW_SHOW); }
    void Hide() override { ::ShowWindow(m_dialog.GetSafeHwnd(), SW_HIDE); }
    void End() override
    {
        m_dialog.EndDialog(SPLASH_END_RESULT);
        m_bOpen = false;
    }

private:
    SplashDlg m_dialog;  // its window goes with it
    bool m_bOpen = false;
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
    CVelloxInstallerDlg dialog(m_context, true, nullptr);
    dialog.m_strMessage = message;
    dialog.m_strHeading = heading;
    return dialog.DoModal() == IDOK ? kOk : kCancel;
}

void Win32Dialogs::ShowError(const std::wstring& message, const std::wstring& link)
{
    CVelloxInstallerDlg dialog(m_context);
    dialog.m_strMessage = message;
    dialog.m_strLink = link;
    dialog.DoModal();
}

std::optional<std::wstring> Win32Dialogs::AskTempFolder(const std::wstring& title, const std::wstring& folder)
{
    CTempFolderDialog dialog(m_context, title);
    dialog.m_strFolder = folder;
    if (dialog.DoModal() != IDOK)
        return std::nullopt;
    return dialog.m_strFolder;
}

std::unique_ptr<Splash> Win32Dialogs::CreateSplash()
{
    return std::make_unique<Win32Splash>(m_context);
}
