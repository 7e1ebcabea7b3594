// The text and download link that report a run's result to the user.
#pragma once

#include <cstdint>
#include <string>

class StringTable;

// Entries of the string table the report and the dialogs read.
namespace MessageId {
inline constexpr unsigned kDiskSpace = 102;
inline constexpr unsigned kIncorrectBuild = 104;
inline constexpr unsigned kAboutVersion = 105;
inline constexpr unsigned kAboutTitle = 106;
inline constexpr unsigned kFrameworkRequired = 108;
inline constexpr unsigned kNotAdministrator = 109;
inline constexpr unsigned kInstallerEngine = 110;
inline constexpr unsigned kFileCorrupt = 111;
inline constexpr unsigned kInstallerFailed = 112;
inline constexpr unsigned kFailedToRun = 113;
inline constexpr unsigned kCommandLine = 114;
inline constexpr unsigned kFrameworkServicePack = 115;
inline constexpr unsigned kProcessorMode = 135;
}  // namespace MessageId

// The installer's exit code when its managed runtime could not start it.
inline constexpr std::uint32_t kRuntimeFailedToStart = 0x80131700;

// What the report is made from: the run's outcome and the check results.
struct ReportFacts {
    std::int32_t runResult = 0;
    std::uint32_t installerExitCode = 0;
    std::wstring rawCommandLine;  // the command line after the program name
    // .NET Framework requirement (name, major, service-pack level).
    std::wstring requiredNet;
    std::int32_t requiredNetMajor = 0;
    std::int32_t requiredNetSp = 0;
    // Disk space check: the drive and the required megabytes.
    std::wstring drive;
    std::int64_t requiredMb = 0;
};

struct ReportMessage {
    std::wstring text;  // no line end of its own
    std::wstring link;  // empty: no link
};

// Chooses the message for the facts by the first matching row of the
// report table; product name and processor mode come from the string table.
ReportMessage ChooseReportMessage(const ReportFacts& facts, const StringTable& strings);

// Sets link to the download page of the required .NET Framework; leaves it
// unchanged for a major version without one.
void GetDownloadLink(std::int32_t major, std::int32_t servicePack, std::wstring& link);
