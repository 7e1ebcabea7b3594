// The whole run (start-up, worker, report, exit) with each platform call it
// makes failing in turn. A clean run of each pass records the calls; then
// the run is repeated once per call with that call failing the way the
// platform's would. Every repetition must end with the code the failure
// tables give for that step, close every handle the fakes handed out, and
// leave no temporary folder behind (or keep it, with `keep`).
#include "app/diagnostic_log.h"
#include "app/installer_app.h"
#include "app/text.h"
#include "fakes/fake_services.h"
#include "fakes/seam_calls.h"
#include "launch/run_program.h"
#include "payload/extract_payload.h"
#include "payload/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::wstring kOwnFile = L"C:\\Downloads\\setup.exe";
const std::wstring kDefaultBase = L"C:\\Users\\me\\AppData\\Local\\Temp";
const std::wstring kPromptAnswer = L"D:\\Setup";

// A machine on which every step succeeds, every fake counting on one counter.
struct World : FakeServices {
    explicit World(SeamCalls& calls)
    {
        for (SeamCalls** hook : {&strings.seamCalls, &paths.seamCalls, &threads.seamCalls, &dialogs.seamCalls,
                                 &ownModule.seamCalls, &launcher.seamCalls, &windows.seamCalls, &wow64Api.seamCalls,
                                 &registry.seamCalls, &machine.seamCalls, &resources.seamCalls,
                                 &fileSystem.seamCalls, &trustVerifier.seamCalls, &signerReader.seamCalls,
                                 &logFiles.seamCalls})
            *hook = &calls;
        registry.SetInteger(L"Software\\Microsoft\\NET Framework Setup\\NDP\\v2.0.50727", L"Install", 1);
        registry.SetInteger(L"Software\\Microsoft\\NET Framework Setup\\NDP\\v2.0.50727", L"SP", 2);
        machine.fileVersions[L"C:\\Windows\\system32\\MSI.DLL"] = {0xFEEF04BD, 0x00040005};
        // Three files, one in a folder of its own, and an information block
        // at the end of the executable.
        resources.Add(101, "102*setup.exe*5*103*setup.exe.config*3*104*data\\pack.bin*4");
        resources.Add(102, "hello");
        resources.Add(103, "cfg");
        resources.Add(104, "pack");
        fileSystem.AddFolder(kDefaultBase);
        fileSystem.AddFile(kOwnFile, std::string(5000, 'p') + "MRDC" + "<info/>" + std::string(93, ' ') + "TTTTTT");
        // The user answers the prompts: Yes, and another folder.
        dialogs.questionAnswer = Dialogs::kOk;
        dialogs.tempFolderAnswer = kPromptAnswer;
        // The installer shows its window on the second poll and ends on the third.
        launcher.windows = &windows;
        launcher.windowAfterPolls = 2;
        launcher.endsAfterPolls = 3;
    }


};

// One way of running: its arguments and what differs from the world above.
struct Pass {
    const char* name;
    std::vector<std::wstring> arguments;
    std::function<void(World&)> prepare;
    std::uint32_t cleanExitCode;  // when no call fails
    bool silent = false;
    bool keep = false;
};

const std::vector<Pass>& Passes()
{
    static const std::vector<Pass> passes = {
        {"interactive", {L"log", L"c:\\setup.log"}, nullptr, 0},
        {"silent", {L"/IAgreeToTheEULA", L"log", L"c:\\setup.log"}, nullptr, 0, true},
        {"keep", {L"/keep", L"/IAgreeToTheEULA", L"log", L"c:\\setup.log"}, nullptr, 0, true, true},
        {"signature question", {L"log", L"c:\\setup.log"},
         [](World& world) { world.trustVerifier.outcome = {0x800B0100, 0x800B0100}; }, 0},
        {"folder prompt", {L"log", L"c:\\setup.log", L"temp", L"Q:\\x"}, nullptr, 0},
        {"installer fails", {L"log", L"c:\\setup.log"}, [](World& world) { world.launcher.exitCode = 5; }, 5},
        // A build for any processor on 64-bit Windows switches redirection
        // off around the installer's start.
        {"64-bit Windows", {L"/IAgreeToTheEULA", L"log", L"c:\\setup.log"},
         [](World& world) {
             world.strings.entries[StringId::kProgramType] = L"Any";
             world.wow64Api.wow = true;
         },
         0, true},
    };
    return passes;
}

// What one run did.
struct RunOutcome {
    std::uint32_t exitCode = 0;
    std::vector<SeamCalls::Call> calls;
    std::vector<std::wstring> leftovers;  // new paths after the run, base folders aside
    std::wstring tempFolder;              // as formed; empty when never formed
    bool tempFolderHoldsPayload = false;
    std::vector<std::string> openHandles;
    bool redirectionLeftOff = false;
};

std::wstring Key(const std::wstring& path)
{
    return FakeFileSystem::Key(path);
}

RunOutcome RunPass(const Pass& pass, std::size_t failAt)
{
    SeamCalls calls;
    calls.failAt = failAt;
    auto world = std::make_unique<World>(calls);
    if (pass.prepare)
        pass.prepare(*world);
    g_log.Reset();
    g_log.Attach(&world->codePage, &world->logFiles);
    ResetTempFolder();

    std::set<std::wstring> before;
    for (const auto& [key, node] : world->fileSystem.nodes)
        before.insert(key);

    RunOutcome outcome;
    std::int32_t promptDepth = 0;
    {
        std::wstring raw;
        for (const auto& argument : pass.arguments)
            raw += (raw.empty() ? L"" : L" ") + argument;
        CVelloxInstallerApp app(world->Services(), 0x400000, pass.arguments, raw);
        app.InitInstance();
        outcome.exitCode = app.ExitInstance();
        promptDepth = app.m_nPromptDepth;
    }
    outcome.calls = calls.calls;

    // Handles the fakes handed out, all of which must be closed by now.
    const std::pair<const char*, int> open[] = {
        {"events", world->threads.openEvents},           {"processes", world->launcher.openProcesses},
        {"signatures", world->signerReader.openMessages}, {"log files", world->logFiles.openStreams},
        {"splash windows", world->dialogs.openSplashes},
    };
    for (const auto& [what, count] : open) {
        if (count != 0)
            outcome.openHandles.push_back(std::to_string(count) + " " + what);
    }
    const auto& wowCalls = world->wow64Api.calls;
    const auto countOf = [&](const char* call) { return std::count(wowCalls.begin(), wowCalls.end(), call); };
    outcome.redirectionLeftOff = countOf("Disable") != countOf("Revert");
    if (promptDepth != 0)
        outcome.openHandles.push_back("prompt depth " + std::to_string(promptDepth));

    // Folders made as base folders may stay; nothing else the run made may.
    std::set<std::wstring> bases;
    for (const auto& call : outcome.calls) {
        if (call.seam == "FileSystem" && call.name == "CreateOneFolder")
            bases.insert(Key(call.detail));
        // The folder as the run tried to make it, whether or not that worked.
        if (call.seam == "FileSystem" && call.name == "CreateNewFolder")
            outcome.tempFolder = call.detail;
    }
    for (const auto& [key, node] : world->fileSystem.nodes) {
        if (!before.count(key) && !bases.count(key))
            outcome.leftovers.push_back(node.path);
    }
    if (!outcome.tempFolder.empty()) {
        const FakeFileSystem& files = world->fileSystem;
        const std::wstring program = outcome.tempFolder + L"\\setup.exe";
        outcome.tempFolderHoldsPayload = files.Exists(program) && files.Contents(program) == "hello" &&
                                         files.Exists(outcome.tempFolder + L"\\data\\pack.bin");
    }

    g_log.Reset();
    g_log.Attach(nullptr, nullptr);
    ResetTempFolder();
    return outcome;
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (const wchar_t c : text)
        out.push_back(static_cast<std::uint32_t>(c) < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

std::string Describe(const SeamCalls::Call& call)
{
    return call.seam + "." + call.name + (call.detail.empty() ? "" : "(" + Narrow(call.detail) + ")");
}

// ---------------------------------------------------------------------------
// What the failure of each call must end with, by seam and step.

struct Expectation {
    std::uint32_t exitCode = 0;
    // A failed removal call leaves what it would have removed: its own path,
    // what lies under it and the folders that hold it.
    bool leavesItsOwnPath = false;
    // A failed switch back leaves the worker thread's file-system redirection off.
    bool leavesRedirectionOff = false;
};

// The call that fails, in the clean run's sequence of its pass.
struct FailingCall {
    const Pass& pass;
    const std::vector<SeamCalls::Call>& sequence;
    std::size_t index;

    const SeamCalls::Call& Call() const { return sequence[index]; }
    Expectation Unchanged() const { return {pass.cleanExitCode}; }
    bool NextIs(const char* seam, const char* name) const
    {
        return index + 1 < sequence.size() && sequence[index + 1].seam == seam && sequence[index + 1].name == name;
    }
    bool Prompted() const
    {
        return std::any_of(sequence.begin(), sequence.begin() + static_cast<std::ptrdiff_t>(index), [](const auto& c) {
            return c.seam == "Dialogs" && c.name == "AskTempFolder";
        });
    }
};

constexpr std::uint32_t Code(std::int32_t status)
{
    return static_cast<std::uint32_t>(status);
}

using Expect = std::function<Expectation(const FailingCall&)>;

Expect Same()
{
    return [](const FailingCall& f) { return f.Unchanged(); };
}
Expect EndsWith(std::uint32_t exitCode)
{
    return [exitCode](const FailingCall&) { return Expectation{exitCode}; };
}
// The run's code stands; what the call would have removed stays.
Expect LeavesWhatItRemoves()
{
    return [](const FailingCall& f) { return Expectation{f.pass.cleanExitCode, true}; };
}

// Ends with the code and leaves what it would have removed.
Expect EndsLeaving(std::uint32_t exitCode)
{
    return [exitCode](const FailingCall&) { return Expectation{exitCode, true}; };
}

struct Rule {
    const char* seam;
    const char* call;  // null: every call of the seam
    const char* step;
    Expect expect;
};

const std::vector<Rule>& Rules()
{
    using F = const FailingCall&;
    static const std::uint32_t kResourcesExhausted = HResultFromWin32(8);  // the fakes' ERROR_NOT_ENOUGH_MEMORY
    static const std::uint32_t kInvalidHandle = 6;                          // the fakes' ERROR_INVALID_HANDLE
    // A base folder that cannot be used costs one prompt; a second failure,
    // or any in a silent run, ends the run.
    static const auto verificationFailure = [](F f) {
        return f.pass.silent ? Expectation{Code(Status::kNoSignature)} : f.Unchanged();
    };
    static const auto probeFailure = [](F f) {
        return Expectation{f.pass.silent || f.Prompted() ? Code(Status::kFail) : f.pass.cleanExitCode};
    };
    static const std::vector<Rule> rules = {
        // Command line and log.
        {"SystemPaths", "FullPath", "a path option or the prompt's answer cannot be resolved",
         [](F f) {
             return Expectation{f.Call().detail == kPromptAnswer ? Code(Status::kFail) : Code(Status::kInvalidParameter)};
         }},
        {"SystemPaths", nullptr, "a default folder is unknown: the next candidate serves", Same()},
        {"LogFiles", nullptr, "the log cannot be opened: its text waits in memory", Same()},
        {"StringTable", nullptr, "an entry cannot be loaded: empty, which the build's defaults survive", Same()},
        {"Dialogs", "InitializeUserInterface", "the controls cannot be initialised", Same()},
        // Signature.
        {"OwnModule", nullptr, "the own path cannot be read whole: not verified, no signer, no information block",
         [](F f) { return f.NextIs("TrustVerifier", "VerifyFile") ? verificationFailure(f) : f.Unchanged(); }},
        {"TrustVerifier", nullptr, "the signature does not verify: a silent run stops, the user is asked (Yes)",
         verificationFailure},
        {"Dialogs", "AskQuestion", "the question cannot be shown: not Yes", EndsWith(Code(Status::kNoSignature))},
        {"SignerReader", nullptr, "the signer cannot be read: the default program name", Same()},
        // Checks.
        {"MachineFacts", "AdministratorsMembership", "membership unknown: not an administrator",
         EndsWith(Code(Status::kNotAdministrator))},
        {"Registry", nullptr, "a .NET value cannot be read: the variant counts as absent",
         EndsWith(Code(Status::kFrameworkMissing))},
        {"MachineFacts", "GetOsVersion", "the version is unknown: MSI.DLL's version decides", Same()},
        {"MachineFacts", "SplitDrive", "the drive cannot be split", EndsWith(Code(Status::kDiskFull))},
        {"MachineFacts", "FreeBytesAvailable", "the free space cannot be read", EndsWith(Code(Status::kDiskFull))},
        // Events, worker and wait.
        {"Threads", "CreateManualResetEvent", "an event cannot be created: stop before the splash",
         EndsWith(kResourcesExhausted)},
        {"Threads", "StartWorker", "the worker cannot start: stop before the splash",
         EndsWith(kResourcesExhausted)},
        {"Threads", "WaitForEventsOrInput", "the wait fails: its error is the result, not a spin",
         EndsWith(8)},  // the fakes' ERROR_NOT_ENOUGH_MEMORY, as the platform gives it
        {"Dialogs", "CreateSplash", "the splash cannot be created: the run goes on without it", Same()},
        // Temporary folder.
        {"FileSystem", "CreateGuid", "no GUID: the fixed fallback name", Same()},
        {"FileSystem", "CreateOneFolder", "the base folder is not created: its probe decides",
         [](F f) { return f.Call().detail == kPromptAnswer ? probeFailure(f) : f.Unchanged(); }},
        {"FileSystem", "ProbeNewFile", "the base folder is not writable", probeFailure},
        {"Dialogs", "AskTempFolder", "the folder prompt cannot be shown: no folder", EndsWith(Code(Status::kFail))},
        {"FileSystem", "CreateFolderTree", "the base's missing parents are not made: the base is there already",
         Same()},
        {"FileSystem", "TokenOwnerSid", "the token's owner is unknown: SYSTEM and Administrators have the folder",
         Same()},
        {"FileSystem", "CreateNewFolder", "the temporary folder cannot be made: nothing is extracted",
         EndsWith(Code(Status::kFail))},
        {"FileSystem", "CreateFolder", "a payload sub-folder cannot be made", EndsWith(Code(Status::kFail))},
        // Information block and payload.
        {"FileSystem", "ReadTail", "the own file cannot be read: no information block", Same()},
        {"FileSystem", "WriteFile", "a file is not written: the information block's does not matter",
         [](F f) {
             return f.Call().detail.ends_with(L"\\info.xml") ? f.Unchanged() : Expectation{Code(Status::kFail)};
         }},
        {"ResourceStore", nullptr, "a payload resource cannot be reached", EndsWith(Code(Status::kFail))},
        // Installer.
        {"FileSystem", "IdentityAt", "the folder cannot be checked: nothing is run or removed through its path",
         EndsLeaving(Code(Status::kFail))},
        {"ProcessLauncher", "ChangeDirectory", "the current directory stays", Same()},
        {"Wow64Api", "CallRevertRedirection", "the switch back fails: the worker stays switched",
         [](F f) { return Expectation{f.pass.cleanExitCode, false, true}; }},
        {"Wow64Api", nullptr, "WOW64 or its switch unknown: started without switching", Same()},
        {"ProcessLauncher", "Start", "the installer cannot be started",
         EndsWith(Code(LaunchStatus::kCreateProcessFailed))},
        {"ChildProcess", "WaitForExit", "a poll fails: the exit code is unknown, as after the final wait",
         EndsWith(kInvalidHandle)},
        {"WindowSystem", nullptr, "the window is seen later or not at all", Same()},
        {"ChildProcess", "WaitForExitWithoutTimeout", "the end cannot be waited for: the exit code is unknown",
         EndsWith(kInvalidHandle)},
        {"ChildProcess", "GetExitCode", "the exit code cannot be read", EndsWith(kInvalidHandle)},
        // Report and removal.
        {"Dialogs", "ShowError", "the report cannot be shown: the code stands", Same()},
        {"FileSystem", "SetCurrentFolder", "the current directory stays", Same()},
        {"FileSystem", "IdentityOf", "a sub-folder cannot be checked: it is left alone", LeavesWhatItRemoves()},
        {"FileSystem", "RemoveEntry", "an entry is not removed", LeavesWhatItRemoves()},
        {"FileSystem", "List", "a folder cannot be listed", LeavesWhatItRemoves()},
        {"FileSystem", "RemoveSelf", "a folder is not removed", LeavesWhatItRemoves()},
    };
    return rules;
}

const Rule* FindRule(const SeamCalls::Call& call)
{
    for (const Rule& rule : Rules()) {
        if (call.seam == rule.seam && (!rule.call || call.name == rule.call))
            return &rule;
    }
    return nullptr;
}

// Paths related to the failed call's own: itself, what lies under it and
// the folders that hold it.
bool OnPathOf(const std::wstring& leftover, const std::wstring& path)
{
    const std::wstring a = Key(leftover);
    const std::wstring b = Key(path);
    return a == b || b.starts_with(a + L"\\") || a.starts_with(b + L"\\");
}

// ---------------------------------------------------------------------------

TEST(FailureInjection, CleanRunsReachEverySeamAndCleanUp)
{
    std::set<std::string> seams;
    std::set<std::string> calls;
    for (const Pass& pass : Passes()) {
        const RunOutcome clean = RunPass(pass, 0);
        EXPECT_EQ(clean.exitCode, pass.cleanExitCode) << pass.name;
        EXPECT_TRUE(clean.openHandles.empty()) << pass.name;
        EXPECT_FALSE(clean.redirectionLeftOff) << pass.name;
        ASSERT_FALSE(clean.tempFolder.empty()) << pass.name;
        if (pass.keep) {
            EXPECT_TRUE(clean.tempFolderHoldsPayload) << pass.name;
        } else {
            EXPECT_EQ(clean.leftovers.size(), 0u) << pass.name;
        }
        // The information block is found and written, so its failures are tried too.
        EXPECT_TRUE(std::any_of(clean.calls.begin(), clean.calls.end(), [](const SeamCalls::Call& call) {
            return call.name == "WriteFile" && call.detail.ends_with(L"}\\info.xml");
        })) << pass.name;
        // The same run twice makes the same calls: call number i is the same call every time.
        const RunOutcome again = RunPass(pass, 0);
        ASSERT_EQ(again.calls.size(), clean.calls.size()) << pass.name;
        for (const auto& call : clean.calls) {
            seams.insert(call.seam);
            calls.insert(call.seam + "." + call.name);
        }
    }
    // The calls only some passes make: each of them is made to fail somewhere.
    for (const char* call : {"Dialogs.AskQuestion", "Dialogs.AskTempFolder", "Dialogs.ShowError",
                             "ChildProcess.WaitForExitWithoutTimeout", "Wow64Api.CallDisableRedirection",
                             "Wow64Api.CallRevertRedirection", "FileSystem.List", "FileSystem.RemoveSelf"})
        EXPECT_TRUE(calls.count(call)) << call;
    const std::set<std::string> expected = {
        "ChildProcess", "Dialogs",     "FileSystem",    "LogFiles",      "MachineFacts", "OwnModule",
        "ProcessLauncher", "Registry", "ResourceStore", "SignerReader",  "StringTable",  "SystemPaths",
        "Threads",      "TrustVerifier", "WindowSystem", "Wow64Api",
    };
    EXPECT_EQ(seams, expected);
}

TEST(FailureInjection, EveryCallFailingInTurnEndsWithItsCodeAndCleansUp)
{
    struct SeamSummary {
        int injected = 0;
        std::map<std::uint32_t, int> exitCodes;
    };
    std::map<std::string, SeamSummary> summary;
    std::size_t total = 0;

    for (const Pass& pass : Passes()) {
        const std::vector<SeamCalls::Call> sequence = RunPass(pass, 0).calls;
        std::printf("pass %-20s %3zu platform calls\n", pass.name, sequence.size());
        for (std::size_t i = 0; i < sequence.size(); ++i) {
            const SeamCalls::Call& call = sequence[i];
            const std::string where = std::string(pass.name) + ", call " + std::to_string(i + 1) + " " + Describe(call);
            const Rule* rule = FindRule(call);
            if (!rule) {
                ADD_FAILURE() << where << ": no expectation for this call";
                continue;
            }
            const Expectation expected = rule->expect(FailingCall{pass, sequence, i});
            const RunOutcome outcome = RunPass(pass, i + 1);
            ++total;
            SeamSummary& seam = summary[call.seam];
            ++seam.injected;
            ++seam.exitCodes[outcome.exitCode];

            // Up to the failing call the run is the clean one, so the call
            // that failed is the one the rule was chosen for.
            ASSERT_GE(outcome.calls.size(), i + 1) << where;
            ASSERT_EQ(Describe(outcome.calls[i]), Describe(call)) << where;

            EXPECT_EQ(outcome.exitCode, expected.exitCode)
                << where << " (" << rule->step << "): exit code 0x" << std::hex << outcome.exitCode
                << ", expected 0x" << expected.exitCode;
            for (const auto& handle : outcome.openHandles)
                ADD_FAILURE() << where << ": still open: " << handle;
            EXPECT_EQ(outcome.redirectionLeftOff, expected.leavesRedirectionOff)
                << where << ": file-system redirection left off";

            if (pass.keep) {
                // Kept whenever it was formed; with the run's success, with the payload in it.
                if (!outcome.tempFolder.empty() && outcome.exitCode == 0) {
                    EXPECT_TRUE(outcome.tempFolderHoldsPayload) << where;
                }
                for (const auto& leftover : outcome.leftovers) {
                    EXPECT_TRUE(!outcome.tempFolder.empty() && OnPathOf(leftover, outcome.tempFolder))
                        << where << ": left outside the temporary folder: " << Narrow(leftover);
                }
                continue;
            }
            for (const auto& leftover : outcome.leftovers) {
                EXPECT_TRUE(expected.leavesItsOwnPath && OnPathOf(leftover, call.detail))
                    << where << " (" << rule->step << "): left behind: " << Narrow(leftover);
            }
        }
    }

    std::printf("%zu injected failures\n", total);
    std::printf("%-16s %8s  exit codes (count)\n", "seam", "injected");
    for (const auto& [seam, seen] : summary) {
        std::ostringstream codes;
        for (const auto& [code, count] : seen.exitCodes)
            codes << " 0x" << std::hex << code << std::dec << " (" << count << ")";
        std::printf("%-16s %8d %s\n", seam.c_str(), seen.injected, codes.str().c_str());
    }
    EXPECT_GT(total, 0u);
}

}  // namespace
