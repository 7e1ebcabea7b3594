#include "ui/splash_dlg_win32.h"

#include "ui/resource.h"

SplashDlg::SplashDlg(const UiContext& context, HWND parent)
    : CDialog(context.hInstance, IDD_SPLASH, parent), m_hAppIcon(LoadAppIcon(context.hInstance)),
      m_hSmallIcon(LoadSmallAppIcon(context.hInstance))
{
}

BOOL SplashDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hAppIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(m_hSmallIcon ? m_hSmallIcon : m_hAppIcon));
    return TRUE;
}
