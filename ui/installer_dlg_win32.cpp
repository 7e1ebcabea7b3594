#include "ui/installer_dlg_win32.h"

#include "app/string_table.h"
#include "ui/about_dlg_win32.h"
#include "ui/dialog_texts.h"
#include "ui/resource.h"

CVelloxInstallerDlg::CVelloxInstallerDlg(const UiContext& context) : CVelloxInstallerDlg(context, false, nullptr) {}

CVelloxInstallerDlg::CVelloxInstallerDlg(const UiContext& context, bool question, HWND parent)
    : CDialog(context.hInstance, IDD_INSTALLER_DIALOG, parent), m_strHeading(kErrorHeading), m_context(context),
      m_hAppIcon(LoadAppIcon(context.hInstance)), m_hSmallIcon(LoadSmallAppIcon(context.hInstance)),
      m_link(context.strings, context.shell), m_bQuestion(question)
{
}

void CVelloxInstallerDlg::DoDataExchange(CDataExchange& exchange)
{
    exchange.Control(IDC_HEADING, m_heading);
    exchange.Text(IDC_MESSAGE, m_strMessage);
    exchange.Text(IDC_HEADING, m_strHeading);
    exchange.Control(IDC_LINK, m_link);
    exchange.Text(IDC_LINK, m_strLink);
    exchange.Control(IDOK, m_okButton);
    exchange.Control(IDCANCEL, m_cancelButton);
}

BOOL CVelloxInstallerDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    AddAboutItem();
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hAppIcon));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL,
                   reinterpret_cast<LPARAM>(m_hSmallIcon ? m_hSmallIcon : m_hAppIcon));
    ::SetWindowTextW(m_hWnd, m_context.strings.Load(StringId::kProductName).c_str());

    const MessageDialogButtons buttons = ButtonsForForm(m_bQuestion);
    if (!buttons.strOkLabel.empty())
        ::SetWindowTextW(m_okButton.GetSafeHwnd(), buttons.strOkLabel.c_str());
    if (!buttons.strCancelLabel.empty())
        ::SetWindowTextW(m_cancelButton.GetSafeHwnd(), buttons.strCancelLabel.c_str());
    if (!buttons.bShowOk)
        ::ShowWindow(m_okButton.GetSafeHwnd(), SW_HIDE);
    // The system would focus the first tab stop, "Yes", and Enter would then
    // answer Yes to going on with an unverified file. The focus goes to the
    // default button instead, so Enter means No (Cancel in the error form).
    ::SetFocus(m_cancelButton.GetSafeHwnd());
    return FALSE;
}

void CVelloxInstallerDlg::AddAboutItem()
{
    const HMENU systemMenu = ::GetSystemMenu(m_hWnd, FALSE);
    if (!systemMenu)
        return;
    const std::wstring text = AboutMenuText(m_context.strings);
    if (text.empty())
        return;
    ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuW(systemMenu, MF_STRING, kAboutCommandId, text.c_str());
}

bool CVelloxInstallerDlg::PaintMinimised()
{
    if (!::IsIconic(m_hWnd))
        return false;
    PAINTSTRUCT paint = {};
    const HDC dc = ::BeginPaint(m_hWnd, &paint);
    ::SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client = {};
    ::GetClientRect(m_hWnd, &client);
    const IconPosition at = CentredIconPosition(client.right - client.left, client.bottom - client.top,
                                                ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON));
    ::DrawIcon(dc, at.x, at.y, m_hAppIcon);
    ::EndPaint(m_hWnd, &paint);
    return true;
}

bool CVelloxInstallerDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    switch (message) {
    case WM_SYSCOMMAND:
        if (!IsAboutCommand(static_cast<unsigned>(wParam)))
            return false;
        {
            CAboutDlg about(m_context, m_hWnd);
            about.DoModal();
        }
        result = 0;
        return true;
    case WM_PAINT:
        result = 0;
        return PaintMinimised();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hAppIcon);
        return true;
    default:
        return false;
    }
}
