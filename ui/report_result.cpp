#include "ui/report_result.h"

#include "app/diagnostic_log.h"
#include "app/format.h"
#include "app/installer_app.h"

// Placeholder until the user-interface issue lands: a plain text naming the
// codes instead of the message table.
void ReportResult(CVelloxInstallerApp& app, std::int32_t result)
{
    const std::wstring product = app.GetServices().strings.Load(StringId::kProductName);
    const std::wstring text = Format(L"%s ended with result 0x%8x and installer exit code 0x%8x.", product, result,
                                     app.m_nInstallerExitCode);
    LogText(L"ReportResult is not built yet: ");
    LogText(text);
    LogText(L"\n");
    if (!app.m_bSilent)
        app.GetServices().dialogs.ShowError(text, L"");
}
