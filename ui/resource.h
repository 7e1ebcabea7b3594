// Resource and control ids shared by the resource script and the dialogs.
// Plain macros: the resource compiler reads this file too.
#pragma once

#define IDI_APPLICATION_ICON 5
#define IDD_ABOUTBOX 100
#define IDD_INSTALLER_DIALOG 102
#define IDB_BANNER 130
#define IDD_SPLASH 131
#define IDB_SPLASH 133
#define IDD_TEMP_FOLDER 146
// Named by the about box's picture; the build has no such icon, so the
// about box puts the application icon there at run time.
#define IDR_ABOUT_ICON 128

#define IDC_MESSAGE 1000
#define IDC_LINK 1001
#define IDC_ABOUT_VERSION 1001
#define IDC_ABOUT_NOTICE 1002
#define IDC_HEADING 1003
#define IDC_TEMP_FOLDER 1005

// What EndDialog hands a modeless splash when the driver ends it.
#define SPLASH_END_RESULT 5
