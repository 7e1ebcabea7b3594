#include "ui/temp_folder_dlg_win32.h"

#include "ui/resource.h"

CTempFolderDialog::CTempFolderDialog(const UiContext& context, std::wstring title)
    : CDialog(context.hInstance, IDD_TEMP_FOLDER), m_strTitle(std::move(title))
{
}

void CTempFolderDialog::DoDataExchange(CDataExchange& exchange)
{
    exchange.Text(IDC_TEMP_FOLDER, m_strFolder);
    exchange.Control(IDC_TEMP_FOLDER, m_edit);
}

BOOL CTempFolderDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    ::SetWindowTextW(m_hWnd, m_strTitle.c_str());
    // The whole current root selected, so that typing replaces it.
    ::SetFocus(m_edit.GetSafeHwnd());
    ::SendMessageW(m_edit.GetSafeHwnd(), EM_SETSEL, 0, -1);
    return FALSE;  // the focus is set
}
