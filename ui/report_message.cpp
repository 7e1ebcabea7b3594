#include "ui/report_message.h"

#include "app/status.h"
#include "app/string_table.h"
#include "ui/format_message.h"

namespace {

namespace Result {
inline constexpr std::int32_t kProcessorMode = static_cast<std::int32_t>(0x80004004);  // E_ABORT
inline constexpr std::int32_t kWrongFileSize = static_cast<std::int32_t>(0x80040167);
}  // namespace Result

constexpr wchar_t kRuntimeMessage[] =
    L".NET 4 run time has failed to run %s.\r\n(Perhaps you have a Pre-release .NET Version).\r\n"
    L"Please download from the Microsoft Download Center and retry.";
constexpr wchar_t kNet4DetectedSuffix[] = L"\r\n(.NET 4 was detected.)";

// The platform vendor's download centre, always over plain http.
constexpr wchar_t kDownloadCentre[] = L"http://www.microsoft.com";

// The installer's runtime failed: the text depends on the required
// service-pack level, not on the major version.
ReportMessage RuntimeFailure(const ReportFacts& facts, const StringTable& strings, const std::wstring& product)
{
    ReportMessage message;
    if (facts.requiredNetSp >= 4)
        message.text = Format(kRuntimeMessage, product);
    else if (facts.requiredNetSp == 0)
        message.text = FormatMessageId(strings, MessageId::kFrameworkRequired, product, facts.requiredNet) +
                       kNet4DetectedSuffix;
    else
        message.text = FormatMessageId(strings, MessageId::kFrameworkServicePack, product, facts.requiredNet,
                                       facts.requiredNetSp) +
                       kNet4DetectedSuffix;
    GetDownloadLink(facts.requiredNetMajor, facts.requiredNetSp, message.link);
    return message;
}

}  // namespace

void GetDownloadLink(std::int32_t major, std::int32_t servicePack, std::wstring& link)
{
    const wchar_t* page = nullptr;
    switch (major) {
    case 2:
        page = L"/en-us/download/details.aspx?id=16614";
        break;
    case 3:
        page = L"/en-us/download/details.aspx?id=21";
        break;
    case 4:
        page = servicePack > 0 ? L"/en-gb/download/details.aspx?id=30653" : L"/en-us/download/details.aspx?id=17718";
        break;
    default:
        return;
    }
    link = std::wstring(kDownloadCentre) + page;
}

ReportMessage ChooseReportMessage(const ReportFacts& facts, const StringTable& strings)
{
    const std::wstring product = strings.Load(StringId::kProductName);
    ReportMessage message;
    switch (facts.runResult) {
    case Status::kOk:
        if (facts.installerExitCode == kRuntimeFailedToStart)
            return RuntimeFailure(facts, strings, product);
        message.text = FormatMessageId(strings, MessageId::kInstallerFailed, product, facts.installerExitCode);
        break;
    case Status::kInstallerTooOld:
        message.text = FormatMessageId(strings, MessageId::kInstallerEngine, product);
        break;
    case Status::kFrameworkMissing:
        if (facts.requiredNetSp != 0)
            message.text = FormatMessageId(strings, MessageId::kFrameworkServicePack, product, facts.requiredNet,
                                           facts.requiredNetSp);
        else
            message.text = FormatMessageId(strings, MessageId::kFrameworkRequired, product, facts.requiredNet);
        GetDownloadLink(facts.requiredNetMajor, facts.requiredNetSp, message.link);
        break;
    case Status::kNotAdministrator:
        message.text = FormatMessageId(strings, MessageId::kNotAdministrator, product);
        break;
    case Result::kWrongFileSize:
        message.text = FormatMessageId(strings, MessageId::kFileCorrupt, product);
        break;
    case Status::kDiskFull:
        // %ld takes 32 bits: the message shows the low half of the figure.
        message.text = FormatMessageId(strings, MessageId::kDiskSpace, facts.drive,
                                       static_cast<std::int32_t>(static_cast<std::uint32_t>(facts.requiredMb)));
        break;
    case Status::kInvalidParameter:
        message.text = FormatMessageId(strings, MessageId::kCommandLine, facts.rawCommandLine);
        break;
    case Result::kProcessorMode:
        message.text =
            FormatMessageId(strings, MessageId::kProcessorMode, product, strings.Load(StringId::kProgramType));
        break;
    case Status::kFail:
        message.text = FormatMessageId(strings, MessageId::kIncorrectBuild, product);
        break;
    default:
        message.text = FormatMessageId(strings, MessageId::kFailedToRun, product, facts.runResult);
        break;
    }
    return message;
}
