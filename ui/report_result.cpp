#include "ui/report_result.h"

#include "app/diagnostic_log.h"
#include "app/installer_app.h"
#include "ui/report_message.h"

void ReportResult(CVelloxInstallerApp& app, std::int32_t result)
{
    ReportFacts facts;
    facts.runResult = result;
    facts.installerExitCode = app.m_nInstallerExitCode;
    facts.rawCommandLine = app.GetRawCommandLine();
    facts.requiredNet = app.m_strRequiredNet;
    facts.requiredNetMajor = app.m_nRequiredNetMajor;
    facts.requiredNetSp = app.m_nRequiredNetSp;
    facts.drive = app.m_strDrive;
    facts.requiredMb = app.m_nRequiredMb;

    const ReportMessage message = ChooseReportMessage(facts, app.GetServices().strings);
    LogText(message.text);
    LogText("\n");
    if (app.m_bSilent || app.m_bQuestionDeclined)
        return;
    app.GetServices().dialogs.ShowError(message.text, message.link);
}
