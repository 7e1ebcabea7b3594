// Shows one of the bootstrapper's dialogs on its own, with the real
// templates, pictures and texts, so it can be looked at, photographed and
// driven without a whole run behind it.
//
//   ui_preview report <run result> <installer exit code> [<.NET name> <major> <service pack>]
//   ui_preview question <message> <heading>
//   ui_preview tempfolder <folder> <answer file>
//   ui_preview about
//   ui_preview splash <milliseconds>
//
// Numbers may be decimal or 0x-prefixed hexadecimal. The exit code is the
// dialog's modal result (question: 1 for Yes, 2 otherwise). tempfolder
// writes the accepted text (UTF-8) to the answer file, or nothing on Cancel.
#include "app/string_table.h"
#include "ui/about_dlg_win32.h"
#include "ui/dialogs_win32.h"
#include "ui/report_message.h"
#include "ui/string_table_win32.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::uint32_t Number(const wchar_t* text)
{
    return static_cast<std::uint32_t>(std::wcstoul(text, nullptr, 0));
}

void WriteUtf8(const wchar_t* path, const std::wstring& text)
{
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                            nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), bytes, nullptr,
                              nullptr);
    if (FILE* file = ::_wfopen(path, L"wb")) {
        std::fwrite(out.data(), 1, out.size(), file);
        std::fclose(file);
    }
}

int Usage()
{
    ::MessageBoxW(nullptr, L"ui_preview report|question|tempfolder|about|splash ...", L"ui_preview", MB_OK);
    return 87;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    const int count = __argc;
    wchar_t** const args = __wargv;
    if (count < 2)
        return Usage();
    const std::wstring what = args[1];

    Win32StringTable strings(instance);
    Win32Dialogs dialogs(instance, strings);
    dialogs.InitializeUserInterface();

    if (what == L"report" && count >= 4) {
        ReportFacts facts;
        facts.runResult = static_cast<std::int32_t>(Number(args[2]));
        facts.installerExitCode = Number(args[3]);
        facts.requiredNet = count >= 5 ? args[4] : L"Unknown .NET Version";
        facts.requiredNetMajor = count >= 6 ? static_cast<std::int32_t>(Number(args[5])) : 2;
        facts.requiredNetSp = count >= 7 ? static_cast<std::int32_t>(Number(args[6])) : 0;
        facts.drive = L"C:";
        facts.requiredMb = 500;
        const ReportMessage message = ChooseReportMessage(facts, strings);
        dialogs.ShowError(message.text, message.link);
        return 0;
    }
    if (what == L"question" && count >= 4)
        return dialogs.AskQuestion(args[2], args[3]);
    if (what == L"tempfolder" && count >= 4) {
        const std::optional<std::wstring> folder = dialogs.AskTempFolder(strings.Load(StringId::kProductName), args[2]);
        if (folder)
            WriteUtf8(args[3], *folder);
        return folder ? IDOK : IDCANCEL;
    }
    if (what == L"about") {
        Win32Shell shell;
        CAboutDlg about(UiContext{instance, strings, shell}, nullptr);
        return static_cast<int>(about.DoModal());
    }
    if (what == L"splash" && count >= 3) {
        std::unique_ptr<Splash> splash = dialogs.CreateSplash();
        splash->Show();
        const DWORD until = ::GetTickCount() + Number(args[2]);
        while (::GetTickCount() < until) {
            MSG message;
            while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
                ::DispatchMessageW(&message);
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        }
        splash->End();
        return 0;
    }
    return Usage();
}
