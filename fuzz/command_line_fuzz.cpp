// The argument sequence: the parser alone, then the whole parameter step on
// fakes. Input: lines; the first is the program name handed on to the
// installer, every further line one argument.
#include "app/command_line_info.h"
#include "app/diagnostic_log.h"
#include "app/installer_app.h"
#include "fakes/fake_services.h"
#include "fuzz_input.h"

namespace {

struct World : FakeServices {

    CVelloxInstallerApp MakeApp(std::vector<std::wstring> arguments)
    {
        return CVelloxInstallerApp(Services(), 0x400000, std::move(arguments), L"");
    }
};

struct Fields {
    std::int32_t result;
    bool silent, zeroGuid, removeTempFolder, runInstaller;
    std::wstring tempFolder, forwarded;
    bool operator==(const Fields&) const = default;
};

Fields Parse(CVelloxInstallerApp& app)
{
    Fields fields{};
    fields.result = app.ParseParameters();
    fields.silent = app.m_bSilent;
    fields.zeroGuid = app.m_bZeroGuid;
    fields.removeTempFolder = app.m_bRemoveTempFolder;
    fields.runInstaller = app.m_bRunInstaller;
    fields.tempFolder = app.m_strTempFolder;
    fields.forwarded = app.m_strForwardedCommandLine;
    return fields;
}

// The installer learns the program name from the last item of the line.
bool EndsWithProgramItem(const std::wstring& line, const std::wstring& programName)
{
    const std::wstring item = L"TW_I=\"" + programName + L"\" ";
    return line.size() >= item.size() && line.compare(line.size() - item.size(), item.size(), item) == 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > 8192)
        return 0;
    std::vector<std::wstring> arguments = SplitLines(WideFromBytes(data, size));
    const std::wstring programName = arguments.front();
    arguments.erase(arguments.begin());

    CCommandLineInfoEx info;
    info.ParseCommandLine(arguments);
    std::wstring line;
    info.BuildForwardedCommandLine(programName, line);
    FUZZ_CHECK(EndsWithProgramItem(line, programName));
    std::wstring again = L"left over";
    info.BuildForwardedCommandLine(programName, again);
    FUZZ_CHECK(again == line);

    bool askedForHelp = false;
    for (const auto& argument : arguments) {
        if (argument == L"/?" || argument == L"-?")
            askedForHelp = true;
        // A switch is always in the table, as a flag.
        if (argument.size() > 1 && (argument[0] == L'/' || argument[0] == L'-')) {
            const std::wstring name = argument.substr(1);
            std::wstring value;
            FUZZ_CHECK(info.GetOption(name, value));
        }
    }

    // The fakes are only read by this step, apart from the log's files.
    static World world;
    world.logFiles.files.clear();
    g_log.Reset();
    g_log.Attach(&world.codePage, &world.logFiles);
    CVelloxInstallerApp app = world.MakeApp(arguments);
    app.m_strProgramName = programName;
    const Fields first = Parse(app);
    const Fields second = Parse(app);
    FUZZ_CHECK(first == second);
    FUZZ_CHECK(first.result == Status::kOk || first.result == Status::kInvalidParameter);
    FUZZ_CHECK(!askedForHelp || first.result == Status::kInvalidParameter);
    FUZZ_CHECK(EndsWithProgramItem(first.forwarded, programName));
    FUZZ_CHECK(!first.tempFolder.empty());
    g_log.Reset();
    g_log.Attach(nullptr, nullptr);
    return 0;
}
