#include "app_fixture.h"
#include "fakes/rc_string_table.h"
#include "ui/report_message.h"
#include "ui/report_result.h"

#include <gtest/gtest.h>

namespace {

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

const std::wstring kNet2Link = L"http://www.microsoft.com/en-us/download/details.aspx?id=16614";
const std::wstring kNet3Link = L"http://www.microsoft.com/en-us/download/details.aspx?id=21";
const std::wstring kNet4Link = L"http://www.microsoft.com/en-us/download/details.aspx?id=17718";
const std::wstring kNet4SpLink = L"http://www.microsoft.com/en-gb/download/details.aspx?id=30653";
const std::wstring kDetected = L"\r\n(.NET 4 was detected.)";
const std::wstring kUsage =
    L"' incorrect.\nValid switches include:- \n\textract [path]\tlog [path]\ttemp [path]\n\nExample\n\t log "
    L"c:\\log.txt /IAgreeToTheEULA";

ReportFacts Facts(std::int32_t result, std::uint32_t exitCode = 0, const wchar_t* net = L".NET 2", int major = 2,
                  int servicePack = 0)
{
    ReportFacts facts;
    facts.runResult = result;
    facts.installerExitCode = exitCode;
    facts.requiredNet = net;
    facts.requiredNetMajor = major;
    facts.requiredNetSp = servicePack;
    facts.drive = L"C:";
    facts.requiredMb = 500;
    facts.rawCommandLine = L"/bogus x";
    return facts;
}

struct ReportCase {
    const char* row;
    ReportFacts facts;
    std::wstring text;
    std::wstring link;
};

void ExpectReports(const std::vector<ReportCase>& cases)
{
    const RcStringTable strings = ShippedStrings();
    for (const auto& c : cases) {
        const ReportMessage message = ChooseReportMessage(c.facts, strings);
        EXPECT_EQ(message.text, c.text) << c.row << "\n got: " << Narrow(message.text);
        EXPECT_EQ(message.link, c.link) << c.row;
    }
}

TEST(ReportMessage, InstallerExitCodes)
{
    const std::wstring net2 = L"Corvane requires .NET 2. Please download from the Microsoft Download Center and retry.";
    ExpectReports({
        {"code 5: seven blanks before the digit", Facts(0, 5), L"Corvane failed with exit code 0x       5.", L""},
        {"code 0xFFFFFFFF fills the field", Facts(0, 0xFFFFFFFF), L"Corvane failed with exit code 0xffffffff.", L""},
        {"code 0x80131700 needing SP 4 or more", Facts(0, 0x80131700, L".NET 4", 4, 4),
         L".NET 4 run time has failed to run Corvane.\r\n(Perhaps you have a Pre-release .NET Version).\r\n"
         L"Please download from the Microsoft Download Center and retry.",
         kNet4SpLink},
        {"code 0x80131700 needing .NET 2 at SP 0", Facts(0, 0x80131700), net2 + kDetected, kNet2Link},
        {"code 0x80131700 needing .NET 4 at SP 0 splits on the level, not the major", Facts(0, 0x80131700, L".NET 4", 4, 0),
         L"Corvane requires .NET 4. Please download from the Microsoft Download Center and retry." + kDetected,
         kNet4Link},
        {"code 0x80131700 needing SP 2", Facts(0, 0x80131700, L".NET 3", 3, 2),
         L"Corvane requires .NET 3 SP 2. Please download from the Microsoft Download Center and retry." + kDetected,
         kNet3Link},
        {"code 0x80131700 with a negative level", Facts(0, 0x80131700, L".NET 3", 3, -1),
         L"Corvane requires .NET 3 SP -1. Please download from the Microsoft Download Center and retry." + kDetected,
         kNet3Link},
        {"code 0x80131700 with an unknown major has no link", Facts(0, 0x80131700, L"Unknown .NET Version", 5, 0),
         L"Corvane requires Unknown .NET Version. Please download from the Microsoft Download Center and retry." +
             kDetected,
         L""},
    });
}

TEST(ReportMessage, RunResults)
{
    ExpectReports({
        {"1613", Facts(1613),
         L"Corvane requires MSI Engine 2.0. This can be downloaded from the Microsoft Download Center.", L""},
        {".NET missing at SP 0", Facts(static_cast<std::int32_t>(0x80110409)),
         L"Corvane requires .NET 2. Please download from the Microsoft Download Center and retry.", kNet2Link},
        {".NET 4 missing at SP 1", Facts(static_cast<std::int32_t>(0x80110409), 0, L".NET 4", 4, 1),
         L"Corvane requires .NET 4 SP 1. Please download from the Microsoft Download Center and retry.",
         kNet4SpLink},
        {".NET missing, negative level counts as not 0", Facts(static_cast<std::int32_t>(0x80110409), 0, L".NET 4", 4, -1),
         L"Corvane requires .NET 4 SP -1. Please download from the Microsoft Download Center and retry.", kNet4Link},
        {"not administrator", Facts(static_cast<std::int32_t>(0x80110413)),
         L"You need local administrator privileges to run Corvane.", L""},
        {"wrong file size", Facts(static_cast<std::int32_t>(0x80040167)), L"A file is corrupt. Download Corvane and retry.",
         L""},
        {"disk full", Facts(static_cast<std::int32_t>(0x80030070)),
         L"Insufficient disk space on drive 'C:'. 500 Mb of free disk space is required.", L""},
        {"bad command line", Facts(static_cast<std::int32_t>(0x80030057)), L"Command line '/bogus x" + kUsage, L""},
        {"processor mode", Facts(static_cast<std::int32_t>(0x80004004)),
         L"Corvane failed to switch into processor mode (x86)", L""},
        {"E_FAIL", Facts(static_cast<std::int32_t>(0x80004005)),
         L"Contact Technical Support. Incorrect Corvane build. (Try setting the temp folder from the command line.)",
         L""},
        {"installer cannot start", Facts(static_cast<std::int32_t>(0x80070057)),
         L"Failed to run Corvane error 0x80070057.", L""},
        {"signature declined", Facts(static_cast<std::int32_t>(0x800B0100)), L"Failed to run Corvane error 0x800b0100.",
         L""},
        {"result 1 with an installer code", Facts(1, 7), L"Failed to run Corvane error 0x       1.", L""},
        {"a result wins over the installer code", Facts(static_cast<std::int32_t>(0x80110413), 5),
         L"You need local administrator privileges to run Corvane.", L""},
    });
}

TEST(ReportMessage, FiguresAndArgumentTextAsGiven)
{
    ReportFacts empty = Facts(static_cast<std::int32_t>(0x80030057));
    empty.rawCommandLine.clear();
    ReportFacts percent = empty;
    percent.rawCommandLine = L"%s 100%";
    ReportFacts huge = Facts(static_cast<std::int32_t>(0x80030070));
    huge.requiredMb = 0x100000000LL + 7;
    huge.drive = L"D:";
    ExpectReports({
        {"empty argument text leaves the quotes adjacent", empty, L"Command line ''" + kUsage.substr(1), L""},
        {"argument text is not a format", percent, L"Command line '%s 100%" + kUsage, L""},
        {"required megabytes keep their low 32 bits", huge,
         L"Insufficient disk space on drive 'D:'. 7 Mb of free disk space is required.", L""},
    });
}

TEST(ReportMessage, DownloadLinkKeepsTheLinkForUnknownMajors)
{
    const struct {
        int major;
        int servicePack;
        std::wstring link;
    } cases[] = {{2, 5, kNet2Link},   {3, 0, kNet3Link},   {4, 0, kNet4Link}, {4, -3, kNet4Link},
                 {4, 1, kNet4SpLink}, {1, 0, L"before"}, {5, 0, L"before"}};
    for (const auto& c : cases) {
        std::wstring link = L"before";
        GetDownloadLink(c.major, c.servicePack, link);
        EXPECT_EQ(link, c.link) << c.major << " SP " << c.servicePack;
    }
}

TEST(ReportMessage, MissingEntryIsNamedRatherThanShownEmpty)
{
    RcStringTable strings = ShippedStrings();
    strings.entries.erase(112);
    EXPECT_EQ(ChooseReportMessage(Facts(0, 5), strings).text, L"Message 112 is missing from this build.");
}

class ReportResultTest : public AppFixture {};

TEST_F(ReportResultTest, LogsTheTextWithALineEndAndShowsItUnlessSilent)
{
    for (const bool silent : {false, true}) {
        g_log.Reset();
        dialogs.journal.clear();
        auto& app = MakeApp({});
        app.m_bSilent = silent;
        app.m_nInstallerExitCode = 5;
        strings.entries[112] = L"%s failed with exit code 0x%8x.";
        app.ReportResult(0);
        EXPECT_EQ(LoggedText(), L"Corvane failed with exit code 0x       5.\n") << silent;
        if (silent) {
            EXPECT_TRUE(dialogs.journal.empty());
        } else {
            EXPECT_EQ(dialogs.journal, std::vector<std::wstring>{L"error"});
            EXPECT_EQ(dialogs.lastMessage, L"Corvane failed with exit code 0x       5.");
            EXPECT_EQ(dialogs.lastLink, L"");
        }
    }
}

TEST_F(ReportResultTest, HandsTheFrameworkRequirementAndLinkToTheDialog)
{
    auto& app = MakeApp({});
    strings.entries[115] = L"%s requires %s SP %d. Please download from the Microsoft Download Center and retry.";
    app.m_requiredNet.name = L".NET 4";
    app.m_requiredNet.major = 4;
    app.m_requiredNet.servicePack = 1;
    app.ReportResult(static_cast<std::int32_t>(0x80110409));
    EXPECT_EQ(dialogs.lastMessage,
              L"Corvane requires .NET 4 SP 1. Please download from the Microsoft Download Center and retry.");
    EXPECT_EQ(dialogs.lastLink, kNet4SpLink);
}

TEST_F(ReportResultTest, UsageNamesTheRawArgumentText)
{
    auto& app = MakeApp({L"/?", L"x"});
    strings.entries[114] = L"Command line '%s' incorrect.";
    app.ReportResult(static_cast<std::int32_t>(0x80030057));
    EXPECT_EQ(dialogs.lastMessage, L"Command line '/? x' incorrect.");
}

}  // namespace
