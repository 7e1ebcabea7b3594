#include "app/command_line_info.h"
#include "app/diagnostic_log.h"
#include "app/installer_app.h"
#include "payload/payload_paths.h"

using namespace std::literals;

namespace {

// Base folders longer than this leave too little room for the GUID folder
// and the payload's own names under the platform's path limit.
constexpr std::size_t kMaxDefaultBaseFolder = 100;
// Below this length the common application-data folder gets a folder of our
// own appended.
constexpr std::size_t kMaxBaseForOwnFolder = 90;

}  // namespace

std::wstring CVelloxInstallerApp::DefaultBaseFolder() const
{
    const SystemPaths& paths = m_services.paths;
    // A failed call is taken as "no such folder" rather than as an empty
    // base folder, which would put the payload in the current directory.
    if (auto temp = paths.TempFolder(); temp && !temp->empty() && temp->size() <= kMaxDefaultBaseFolder)
        return *temp;
    if (auto appData = paths.SpecialFolder(SystemPaths::kCsidlAppData);
        appData && appData->size() <= kMaxDefaultBaseFolder)
        return *appData;
    const auto common = paths.SpecialFolder(SystemPaths::kCsidlCommonAppData);
    if (!common || common->size() > kMaxDefaultBaseFolder)
        return paths.EnvironmentValue(L"SystemDrive"sv);
    if (common->size() < kMaxBaseForOwnFolder)
        return AppendPath(*common, L"Tarnwick"sv);  // the payload's own joining, not a second copy of it
    return *common;
}

std::int32_t CVelloxInstallerApp::ResolvePathOption(CCommandLineInfoEx& info, std::wstring_view name,
                                                    std::wstring& fullPath) const
{
    fullPath.clear();
    if (info.IsMissingValue(name))
        return Status::kInvalidParameter;
    std::wstring value;
    if (!info.GetOption(name, value))
        return Status::kOk;
    const auto resolved = m_services.paths.FullPath(value);
    if (!resolved) {
        LogMessage("Path of option '%s' is too long: '%s'\n", name, value);
        return Status::kInvalidParameter;
    }
    fullPath = *resolved;
    return Status::kOk;
}

std::int32_t CVelloxInstallerApp::ParseParameters()
{
    std::int32_t result = Status::kOk;
    CCommandLineInfoEx info;
    info.ParseCommandLine(m_arguments);

    m_bSilent = false;
    m_bZeroGuid = false;
    m_bRemoveTempFolder = true;
    m_bRunInstaller = true;
    m_strTempFolder = DefaultBaseFolder();

    if (info.IsFlag(L"IAgreeToTheEULA"sv))
        m_bSilent = true;
    if (info.IsFlag(L"dontrun"sv)) {
        m_bRunInstaller = false;
        info.RemoveOption(L"dontrun"sv);
    }
    if (info.IsFlag(L"zeroguid"sv)) {
        m_bZeroGuid = true;
        info.RemoveOption(L"zeroguid"sv);
    }
    if (info.IsFlag(L"keep"sv)) {
        m_bRemoveTempFolder = false;
        info.RemoveOption(L"keep"sv);
    }

    std::wstring fullPath;
    if (const std::int32_t r = ResolvePathOption(info, L"extract"sv, fullPath); r != Status::kOk)
        result = r;
    else if (!fullPath.empty())
        info.SetOption(L"extract"sv, fullPath);

    if (const std::int32_t r = ResolvePathOption(info, L"log"sv, fullPath); r != Status::kOk) {
        result = r;
    } else if (!fullPath.empty()) {
        info.SetOption(L"log"sv, fullPath);
        // A path the code page cannot hold is not opened under some other
        // name: the log then stays in memory (there is no file to say so in).
        if (const auto ansiPath = m_services.codePage.ToAnsiExactly(fullPath))
            OpenLog(*ansiPath);
    }

    if (const std::int32_t r = ResolvePathOption(info, L"temp"sv, fullPath); r != Status::kOk)
        result = r;
    else if (!fullPath.empty())
        m_strTempFolder = fullPath;  // the table keeps the value as typed

    info.BuildForwardedCommandLine(m_strProgramName, m_strForwardedCommandLine);

    if (info.IsMissingValue(L"?"sv)) {
        result = Status::kInvalidParameter;
        LogText("Ask for help\n");
    }
    std::wstring help;
    if (info.GetOption(L"?"sv, help)) {
        result = Status::kInvalidParameter;
        LogText("Ask for help\n");
    }

    LogMessage("Command line params %s\n", m_strForwardedCommandLine);
    LogMessage("Temp folder '%s'\n", m_strTempFolder);
    return result;
}
