#include "ui/about_dlg_win32.h"

#include "ui/dialog_texts.h"
#include "ui/resource.h"

CAboutDlg::CAboutDlg(const UiContext& context, HWND parent)
    : CDialog(context.hInstance, IDD_ABOUTBOX, parent), m_context(context)
{
}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetWindowTextW(m_hWnd, AboutTitle(m_context.strings).c_str());
    if (const HWND version = ::GetDlgItem(m_hWnd, IDC_ABOUT_VERSION))
        ::SetWindowTextW(version, AboutVersionLine(m_context.strings).c_str());
    if (const HWND notice = ::GetDlgItem(m_hWnd, IDC_ABOUT_NOTICE))
        ::SetWindowTextW(notice, kAboutNotice);
    ShowAppIconInPicture();
    return TRUE;
}

// The picture names an icon the build does not carry; it shows the
// application icon instead.
void CAboutDlg::ShowAppIconInPicture()
{
    for (HWND child = ::GetWindow(m_hWnd, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if ((::GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
            ::SendMessageW(child, STM_SETICON, reinterpret_cast<WPARAM>(LoadAppIcon(m_context.hInstance)), 0);
            return;
        }
    }
}
