#include "ui/framework_win32.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// Dialog procedures return these results directly instead of through
// DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message)
{
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

bool IsColourRequest(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

constexpr UINT_PTR kSubclassId = 1;

}  // namespace

std::wstring GetWindowTextString(HWND window)
{
    const int length = ::GetWindowTextLengthW(window);
    if (length <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = ::GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

// ---- CControl

CControl::~CControl()
{
    Unsubclass();
}

bool CControl::SubclassDlgItem(int id, HWND parent)
{
    const HWND control = ::GetDlgItem(parent, id);
    if (!control || !::SetWindowSubclass(control, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    m_hWnd = control;
    PreSubclassWindow();
    return true;
}

HBRUSH CControl::OnReflectedCtlColor(UINT, HDC)
{
    return nullptr;
}

bool CControl::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

LRESULT CControl::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefSubclassProc(m_hWnd, message, wParam, lParam);
}

void CControl::Unsubclass()
{
    if (m_hWnd) {
        ::RemoveWindowSubclass(m_hWnd, SubclassProc, kSubclassId);
        m_hWnd = nullptr;
    }
}

LRESULT CALLBACK CControl::SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR self)
{
    auto* control = reinterpret_cast<CControl*>(self);
    if (message == WM_NCDESTROY) {
        const LRESULT result = ::DefSubclassProc(window, message, wParam, lParam);
        control->Unsubclass();
        control->PostNcDestroy();
        return result;
    }
    LRESULT result = 0;
    if (control->OnMessage(message, wParam, lParam, result))
        return result;
    return ::DefSubclassProc(window, message, wParam, lParam);
}

// ---- CDataExchange

void CDataExchange::Text(int id, std::wstring& value)
{
    const HWND control = ::GetDlgItem(m_dialog.m_hWnd, id);
    if (!control)
        return;
    if (m_bSaveAndValidate)
        value = GetWindowTextString(control);
    else
        ::SetWindowTextW(control, value.c_str());
}

void CDataExchange::Control(int id, CControl& control)
{
    if (control.GetSafeHwnd())
        return;
    if (control.SubclassDlgItem(id, m_dialog.m_hWnd))
        m_dialog.m_controls.push_back(&control);
}

// ---- CDialog

CDialog::CDialog(HINSTANCE instance, UINT templateId, HWND parent)
    : m_hInstance(instance), m_nTemplate(templateId), m_hParent(parent)
{
}

CDialog::~CDialog()
{
    if (m_hWnd && m_bModeless)
        ::DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal()
{
    m_bModeless = false;
    return ::DialogBoxParamW(m_hInstance, MAKEINTRESOURCEW(m_nTemplate), m_hParent, DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create()
{
    m_bModeless = true;
    return ::CreateDialogParamW(m_hInstance, MAKEINTRESOURCEW(m_nTemplate), m_hParent, DialogProc,
                                reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::EndDialog(int result)
{
    if (m_hWnd)
        ::EndDialog(m_hWnd, result);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(false);
    return TRUE;
}

bool CDialog::OnMessage(UINT, WPARAM, LPARAM, LRESULT&)
{
    return false;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    CDataExchange exchange(*this, saveAndValidate);
    DoDataExchange(exchange);
    return true;
}

BOOL CDialog::InitDialog()
{
    RECT before = {};
    ::GetWindowRect(m_hWnd, &before);
    const BOOL result = OnInitDialog();
    RECT after = {};
    ::GetWindowRect(m_hWnd, &after);
    // A dialog that did not place itself appears centred.
    if (::EqualRect(&before, &after))
        CentreWindow();
    return result;
}

// Over the owner when it is shown, else on the work area of the monitor the
// dialog is on; never off that work area.
void CDialog::CentreWindow()
{
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    const HWND owner = ::GetWindow(m_hWnd, GW_OWNER);
    const HMONITOR screen = ::MonitorFromWindow(owner ? owner : m_hWnd, MONITOR_DEFAULTTONEAREST);
    if (!::GetMonitorInfoW(screen, &monitor))
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    RECT area = monitor.rcWork;
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);

    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    int left = (area.left + area.right - width) / 2;
    int top = (area.top + area.bottom - height) / 2;
    left = std::max(static_cast<int>(monitor.rcWork.left), std::min(left, static_cast<int>(monitor.rcWork.right) - width));
    top = std::max(static_cast<int>(monitor.rcWork.top), std::min(top, static_cast<int>(monitor.rcWork.bottom) - height));
    ::SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<CDialog*>(lParam);
        dialog->m_hWnd = window;
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    } else {
        dialog = reinterpret_cast<CDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!dialog)
        return FALSE;  // messages before WM_INITDIALOG
    if (message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
        dialog->m_controls.clear();
        dialog->m_hWnd = nullptr;
        return FALSE;
    }
    return dialog->HandleMessage(message, wParam, lParam);
}

INT_PTR CDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG)
        return InitDialog();

    if (IsColourRequest(message)) {
        const HWND child = reinterpret_cast<HWND>(lParam);
        for (CControl* control : m_controls) {
            if (control->GetSafeHwnd() == child) {
                if (HBRUSH brush = control->OnReflectedCtlColor(message, reinterpret_cast<HDC>(wParam)))
                    return reinterpret_cast<INT_PTR>(brush);
                break;
            }
        }
    }

    LRESULT result = 0;
    if (OnMessage(message, wParam, lParam, result)) {
        if (ReturnsResultDirectly(message))
            return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
        return TRUE;
    }

    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) {
            OnOK();
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
    }
    return FALSE;
}
