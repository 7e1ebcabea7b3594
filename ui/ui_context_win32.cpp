#include "ui/ui_context_win32.h"

#include "ui/resource.h"

HICON LoadAppIcon(HINSTANCE instance)
{
    return ::LoadIconW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON));
}

HICON LoadSmallAppIcon(HINSTANCE instance)
{
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                                           ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON),
                                           LR_SHARED));
}
