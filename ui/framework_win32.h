// The least window framework the dialogs need: a dialog base over
// DialogBoxParamW / CreateDialogParamW with virtual initialisation and a
// message map, subclassed child controls that receive their own messages
// and the colour requests their parent reflects to them, and the exchange
// of control texts with members.
#pragma once

#include "app/unique_resource.h"

#include <windows.h>

#include <string>
#include <vector>

struct GdiObjectTraits {
    static HGDIOBJ Invalid() { return nullptr; }
    static void Close(HGDIOBJ object) { ::DeleteObject(object); }
};
using UniqueGdiObject = UniqueResource<HGDIOBJ, GdiObjectTraits>;

// A device context of a window, released when it goes.
class WindowDC {
public:
    explicit WindowDC(HWND window) : m_hWnd(window), m_hDC(::GetDC(window)) {}
    ~WindowDC()
    {
        if (m_hDC)
            ::ReleaseDC(m_hWnd, m_hDC);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return m_hDC; }

private:
    HWND m_hWnd;
    HDC m_hDC;
};

std::wstring GetWindowTextString(HWND window);

// A child control of a dialog, subclassed so that it handles messages of its
// own. Unbound until a data exchange binds it to a control id.
class CControl {
public:
    CControl() = default;
    virtual ~CControl();
    CControl(const CControl&) = delete;
    CControl& operator=(const CControl&) = delete;

    bool SubclassDlgItem(int id, HWND parent);
    HWND GetSafeHwnd() const { return m_hWnd; }

    // A colour request (WM_CTLCOLOR...) the parent reflected to this control:
    // the brush to paint with, or null for the parent's default colours.
    virtual HBRUSH OnReflectedCtlColor(UINT message, HDC dc);

protected:
    // The control's message map: true when handled, with its result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Right after the control is bound to its window.
    virtual void PreSubclassWindow() {}
    // After the window is gone.
    virtual void PostNcDestroy() {}
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                         DWORD_PTR self);
    void Unsubclass();
};

class CDialog;

// Moves texts between controls and members, in either direction, and binds
// controls to their objects.
class CDataExchange {
public:
    CDataExchange(CDialog& dialog, bool saveAndValidate) : m_dialog(dialog), m_bSaveAndValidate(saveAndValidate) {}
    void Text(int id, std::wstring& value);
    void Control(int id, CControl& control);

    CDialog& m_dialog;
    const bool m_bSaveAndValidate;
};

class CDialog {
public:
    CDialog(HINSTANCE instance, UINT templateId, HWND parent = nullptr);
    // Destroys a modeless window that is still there.
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // Shows the dialog modally; IDOK, IDCANCEL or what EndDialog was given;
    // -1 when it could not be created.
    INT_PTR DoModal();
    // Creates the dialog modeless (visible only when its template says so).
    bool Create();
    void EndDialog(int result);
    HWND GetSafeHwnd() const { return m_hWnd; }

protected:
    // Puts the members into the controls. True: the system sets the focus.
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange&) {}
    // The dialog's message map: true when handled, with its result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Takes the control texts back into the members and ends with IDOK.
    virtual void OnOK();
    virtual void OnCancel();
    bool UpdateData(bool saveAndValidate);

    HINSTANCE m_hInstance;
    HWND m_hWnd = nullptr;

private:
    friend class CDataExchange;
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL InitDialog();
    void CentreWindow();

    UINT m_nTemplate;
    HWND m_hParent;
    bool m_bModeless = false;
    std::vector<CControl*> m_controls;  // bound controls, for reflected colours
};
