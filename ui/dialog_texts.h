// What the dialogs show, decided apart from the windows that show it.
#pragma once

#include <string>

class StringTable;

// The message dialog's buttons: the question form asks Yes or No, the error
// form offers only Cancel.
struct MessageDialogButtons {
    bool bShowOk;
    std::wstring strOkLabel;      // empty: the template's label stays
    std::wstring strCancelLabel;  // empty: the template's label stays
};
MessageDialogButtons ButtonsForForm(bool question);

// The heading of the error form.
inline constexpr wchar_t kErrorHeading[] = L"Error";

// The system-menu item that opens the about box, and its command id (the
// low four bits of a system command are the system's own).
inline constexpr unsigned kAboutCommandId = 0x10;
bool IsAboutCommand(unsigned systemCommand);
// "&About <product>..."; empty when the entry is missing, and then no item
// is added.
std::wstring AboutMenuText(const StringTable& strings);

// The about box: its title, its name and version line, its notice line.
std::wstring AboutTitle(const StringTable& strings);
std::wstring AboutVersionLine(const StringTable& strings);
inline constexpr wchar_t kAboutNotice[] = L"Copyright (C) 2026 Corvane. All rights reserved.";

// The top-left corner of an icon drawn centred in a client area, rounding
// as the minimised dialog does.
struct IconPosition {
    int x;
    int y;
};
IconPosition CentredIconPosition(int clientWidth, int clientHeight, int iconWidth, int iconHeight);
