// Starts a program under Wine and works through its dialogs by a script,
// writing down what each dialog shows, so that a test can check the
// dialogs' texts, which controls are visible, where the focus is, and can
// photograph them.
//
//   dialog_driver <command-file> <result-file> <timeout-ms> <step>...
//
// command-file holds the program's whole command line (UTF-8, one line).
// Steps, in order, on the program's current dialog (window class #32770):
//   wait             wait for a new visible dialog of the program and record it
//   waitfor:<id>     the same for a new dialog that has control <id> (so that
//                    the splash, also a dialog, is passed over)
//   shot:<name>      write <name> into <result-file>.shot and wait until the
//                    test has photographed the screen and removed that file
//   press:<id>       post a click of button <id>
//   syscommand:<n>   post WM_SYSCOMMAND with <n> (decimal or 0x hex)
//   close            post WM_CLOSE (the close box)
//   sysmenu          open the window's system menu, as Alt+Space does
//   endmenu          close an open menu again (WM_CANCELMODE)
//   settext:<id>:<t> set the text of control <id>
//   gone             wait until the dialog has gone from the screen; the
//                    dialog recorded before it is the current one again
//   record           record the current dialog again
//   pause:<ms>       let the program run on undisturbed for a while
//   count:<all>:<visible>  wait until the program has <all> dialogs, shown or
//                    hidden, of which <visible> are shown; records
//                    "dialogs=<all>|<visible>"
//   touch:<path>     create the file <path> (to let a waiting program go on)
// The result file gets, per recorded dialog:
//   dialog=<title>
//   style=<hex>
//   control=<id>|<class>|<visible 0/1>|<text>     per child window
//   focus=<id>        the control with the keyboard focus
//   default=<id>      the dialog's default button
//   selection=<start>,<end>   of the focused control, when it is an edit field
//   sysmenu=<text>    per item of the window's system menu that has a text
// then "exit=<unsigned decimal>", or "timeout" after the program was ended,
// or "failed=<step>" when a step could not be done, followed then by
//   window=<class>|<visible 0/1>|<owner class>|<title>
// per top-level window the program has at that moment, hidden ones too, to
// show where it stood.
#include "../fixtures/utf8_win32.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Line breaks and tabs written visibly, so that each record stays one line.
std::string Escaped(const std::wstring& text)
{
    std::wstring out;
    for (const wchar_t c : text) {
        if (c == L'\n')
            out += L"\\n";
        else if (c == L'\r')
            out += L"\\r";
        else if (c == L'\t')
            out += L"\\t";
        else
            out += c;
    }
    return Utf8(out);
}

std::wstring WindowText(HWND window)
{
    const LRESULT length = ::SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const LRESULT copied =
        ::SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(text.size()), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring ClassName(HWND window)
{
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

struct DialogSearch {
    DWORD processId;
    std::vector<HWND> dialogs;
    bool hiddenToo = false;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter)
{
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId && (search->hiddenToo || ::IsWindowVisible(window)) &&
        ClassName(window) == L"#32770")
        search->dialogs.push_back(window);
    return TRUE;
}

void Record(HWND dialog, std::ostringstream& out)
{
    out << "dialog=" << Escaped(WindowText(dialog)) << "\n";
    out << "style=" << std::hex << ::GetWindowLongW(dialog, GWL_STYLE) << std::dec << "\n";
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        out << "control=" << ::GetDlgCtrlID(child) << "|" << Utf8(ClassName(child)) << "|"
            << (::IsWindowVisible(child) ? 1 : 0) << "|" << Escaped(WindowText(child)) << "\n";
    }
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    if (::GetGUIThreadInfo(::GetWindowThreadProcessId(dialog, nullptr), &thread) && thread.hwndFocus) {
        out << "focus=" << ::GetDlgCtrlID(thread.hwndFocus) << "\n";
        if (ClassName(thread.hwndFocus) == L"Edit") {
            DWORD start = 0;
            DWORD end = 0;
            const LRESULT both = ::SendMessageW(thread.hwndFocus, EM_GETSEL, 0, 0);
            start = LOWORD(both);
            end = HIWORD(both);
            out << "selection=" << start << "," << end << "\n";
        }
    }
    const LRESULT defaultId = ::SendMessageW(dialog, DM_GETDEFID, 0, 0);
    if (HIWORD(defaultId) == DC_HASDEFID)
        out << "default=" << LOWORD(defaultId) << "\n";
    if (const HMENU menu = ::GetSystemMenu(dialog, FALSE)) {
        const int count = ::GetMenuItemCount(menu);
        for (int i = 0; i < count; ++i) {
            wchar_t text[256] = {};
            if (::GetMenuStringW(menu, static_cast<UINT>(i), text, 256, MF_BYPOSITION) > 0)
                out << "sysmenu=" << Escaped(text) << "|" << ::GetMenuItemID(menu, i) << "\n";
        }
    }
}

struct WindowList {
    DWORD processId;
    std::ostringstream* out;
};

// Read without sending messages: a program that is stuck still gets listed.
BOOL CALLBACK ListWindow(HWND window, LPARAM parameter)
{
    auto* list = reinterpret_cast<WindowList*>(parameter);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != list->processId)
        return TRUE;
    wchar_t title[256] = {};
    ::GetWindowTextW(window, title, 256);
    const HWND ownerWindow = ::GetWindow(window, GW_OWNER);
    *list->out << "window=" << Utf8(ClassName(window)) << "|" << (::IsWindowVisible(window) ? 1 : 0) << "|"
               << (ownerWindow ? Utf8(ClassName(ownerWindow)) : std::string()) << "|" << Escaped(title) << "\n";
    return TRUE;
}

class Script {
public:
    Script(HANDLE process, DWORD processId, DWORD deadline, std::wstring shotFile)
        : m_hProcess(process), m_processId(processId), m_deadline(deadline), m_shotFile(std::move(shotFile))
    {
    }

    // False when the step could not be done in time (or the program ended).
    bool Run(const std::wstring& step, std::ostringstream& out)
    {
        if (step == L"wait")
            return WaitForNewDialog(out, 0);
        if (step.rfind(L"waitfor:", 0) == 0)
            return WaitForNewDialog(out, std::stoi(step.substr(8)));
        if (step == L"record") {
            if (!m_current)
                return false;
            Record(m_current, out);
            return true;
        }
        if (step.rfind(L"shot:", 0) == 0)
            return Shot(step.substr(5));
        if (step.rfind(L"press:", 0) == 0)
            return Post(WM_COMMAND, MAKEWPARAM(std::stoi(step.substr(6)), BN_CLICKED), 0);
        if (step.rfind(L"syscommand:", 0) == 0)
            return Post(WM_SYSCOMMAND, std::wcstoul(step.substr(11).c_str(), nullptr, 0), 0);
        if (step == L"close")
            return Post(WM_CLOSE, 0, 0);
        if (step.rfind(L"pause:", 0) == 0) {
            ::Sleep(std::wcstoul(step.substr(6).c_str(), nullptr, 10));
            return true;
        }
        if (step == L"sysmenu")
            return Post(WM_SYSCOMMAND, SC_KEYMENU, L' ');
        if (step == L"endmenu")
            return Post(WM_CANCELMODE, 0, 0);
        if (step.rfind(L"settext:", 0) == 0) {
            const size_t colon = step.find(L':', 8);
            if (!m_current || colon == std::wstring::npos)
                return false;
            const HWND control = ::GetDlgItem(m_current, std::stoi(step.substr(8, colon - 8)));
            const std::wstring text = step.substr(colon + 1);
            return control && ::SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        if (step.rfind(L"count:", 0) == 0) {
            const size_t colon = step.find(L':', 6);
            if (colon == std::wstring::npos)
                return false;
            const size_t all = std::stoul(step.substr(6, colon - 6));
            const size_t visible = std::stoul(step.substr(colon + 1));
            const bool reached = Until([&] {
                DialogSearch search{m_processId, {}, true};
                ::EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
                const auto shown = std::count_if(search.dialogs.begin(), search.dialogs.end(), ::IsWindowVisible);
                return search.dialogs.size() == all && static_cast<size_t>(shown) == visible;
            });
            if (reached)
                out << "dialogs=" << all << "|" << visible << "\n";
            return reached;
        }
        if (step.rfind(L"touch:", 0) == 0)
            return static_cast<bool>(std::ofstream(Utf8(step.substr(6)).c_str(), std::ios::binary));
        if (step == L"gone") {
            if (!Until([&] { return !::IsWindow(m_current) || !::IsWindowVisible(m_current); }))
                return false;
            m_opened.pop_back();
            m_current = m_opened.empty() ? nullptr : m_opened.back();
            return true;
        }
        return false;
    }

private:
    template <typename Condition>
    bool Until(Condition done)
    {
        while (!done()) {
            if (::GetTickCount() > m_deadline)
                return false;
            ::Sleep(30);
        }
        return true;
    }

    // controlId 0: any dialog.
    bool WaitForNewDialog(std::ostringstream& out, int controlId)
    {
        HWND found = nullptr;
        const bool ok = Until([&] {
            DialogSearch search{m_processId, {}};
            ::EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
            for (HWND dialog : search.dialogs) {
                if (!m_seen.count(dialog) && (controlId == 0 || ::GetDlgItem(dialog, controlId))) {
                    found = dialog;
                    return true;
                }
            }
            return ::WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0;
        });
        if (!ok || !found)
            return false;
        m_seen.insert(found);
        m_opened.push_back(found);
        m_current = found;
        ::Sleep(300);  // let it finish initialising and painting
        Record(found, out);
        return true;
    }

    bool Post(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return m_current && ::PostMessageW(m_current, message, wParam, lParam);
    }

    bool Shot(const std::wstring& name)
    {
        {
            std::ofstream file(Utf8(m_shotFile).c_str(), std::ios::binary);
            file << Utf8(name);
        }
        return Until([&] { return ::GetFileAttributesW(m_shotFile.c_str()) == INVALID_FILE_ATTRIBUTES; });
    }

    HANDLE m_hProcess;
    DWORD m_processId;
    DWORD m_deadline;
    std::wstring m_shotFile;
    std::set<HWND> m_seen;
    std::vector<HWND> m_opened;  // dialogs waited for and not yet gone
    HWND m_current = nullptr;
};

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: dialog_driver <command-file> <result-file> <timeout-ms> <step>...\n");
        return 2;
    }
    std::ifstream commandFile(argv[1], std::ios::binary);
    std::string commandUtf8;
    std::getline(commandFile, commandUtf8);
    std::wstring commandLine = Wide(commandUtf8);
    const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10));

    std::ostringstream out;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &process)) {
        out << "startfailed=" << ::GetLastError() << "\n";
    } else {
        Script script(process.hProcess, process.dwProcessId, deadline, std::wstring(argv[2]) + L".shot");
        for (int i = 4; i < argc; ++i) {
            if (!script.Run(argv[i], out)) {
                out << "failed=" << Utf8(argv[i]) << "\n";
                WindowList list{process.dwProcessId, &out};
                ::EnumWindows(ListWindow, reinterpret_cast<LPARAM>(&list));
                break;
            }
        }
        const DWORD left = deadline > ::GetTickCount() ? deadline - ::GetTickCount() : 0;
        if (::WaitForSingleObject(process.hProcess, left) == WAIT_OBJECT_0) {
            DWORD exitCode = 0;
            ::GetExitCodeProcess(process.hProcess, &exitCode);
            out << "exit=" << exitCode << "\n";
        } else {
            ::TerminateProcess(process.hProcess, 0xDEAD);
            ::WaitForSingleObject(process.hProcess, 5000);
            out << "timeout\n";
        }
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    std::ofstream(argv[2], std::ios::binary) << out.str();
    return 0;
}
