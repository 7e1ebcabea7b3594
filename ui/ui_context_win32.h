// What every dialog of the program is made with.
#pragma once

#include <windows.h>

class Shell;
class StringTable;

struct UiContext {
    HINSTANCE hInstance;
    const StringTable& strings;
    Shell& shell;
};

// The application icon (resource 5) at the system's large and small sizes;
// shared handles, never destroyed.
HICON LoadAppIcon(HINSTANCE instance);
HICON LoadSmallAppIcon(HINSTANCE instance);
