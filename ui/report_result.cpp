#include "ui/report_result.h"

#include "app/diagnostic_log.h"

void ReportResult(const ReportFacts& facts, const StringTable& strings, Dialogs& dialogs, bool show)
{
    const ReportMessage message = ChooseReportMessage(facts, strings);
    LogText(message.text);
    LogText("\n");
    if (show)
        dialogs.ShowError(message.text, message.link);
}
