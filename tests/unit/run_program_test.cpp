#include "app_fixture.h"
#include "fakes/fake_launch.h"
#include "launch/run_program.h"

#include <gtest/gtest.h>

namespace {

class RunProgramTest : public AppFixture {
protected:
    RunProgramTest() : wow64(api) { launcher.windows = &windows; }

    std::int32_t Run(const std::wstring& target = L"C:\\T\\{G}\\setup.exe",
                     const std::wstring& line = L"/log \"c:\\l.txt\" TW_I=\"Mini\" ")
    {
        return RunProgram(LaunchServices{strings, launcher, windows, wow64}, L"C:\\T\\{G}", target, line, &exitCode,
                          shown);
    }

    FakeWow64Api api;
    Wow64 wow64;
    FakeWindowSystem windows;
    FakeProcessLauncher launcher;
    FakeEvent shown{openEvents};
    int openEvents = 0;
    std::uint32_t exitCode = 0xDEAD;
};

TEST_F(RunProgramTest, StartsInTheTemporaryFolderWithTheQuotedTargetAndForwardedLine)
{
    launcher.exitCode = 5;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(launcher.startedCommandLine, L"\"C:\\T\\{G}\\setup.exe\" /log \"c:\\l.txt\" TW_I=\"Mini\" ");
    EXPECT_EQ(launcher.journal.front(), L"chdir C:\\T\\{G}");
    EXPECT_EQ(exitCode, 5u);
    EXPECT_EQ(launcher.openProcesses, 0);
    EXPECT_FALSE(shown.signalled);
    EXPECT_EQ(LoggedText(), L"RunProgram program '\"C:\\T\\{G}\\setup.exe\" /log \"c:\\l.txt\" TW_I=\"Mini\" '\n"
                            L"ProgramType 'x86'\nSwapping to x86\nRunProgram returned 5\n");
}

TEST_F(RunProgramTest, EmptyForwardedLineStillGetsTheBlank)
{
    Run(L"C:\\a.exe", L"");
    EXPECT_EQ(launcher.startedCommandLine, L"\"C:\\a.exe\" ");
}

TEST_F(RunProgramTest, ExitCodeIsLoggedSigned)
{
    launcher.exitCode = 0xFFFFFFFF;
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(exitCode, 0xFFFFFFFFu);
    EXPECT_NE(LoggedText().find(L"RunProgram returned -1\n"), std::wstring::npos);
}

TEST_F(RunProgramTest, LogIsClosedWhileTheInstallerRunsAndAppendedToAfter)
{
    OpenLog("c:\\l.txt");
    launcher.endsAfterPolls = 2;
    Run();
    // The second open is the append after the installer ended.
    EXPECT_EQ(logFiles.opens, 2);
    EXPECT_TRUE(g_log.IsOpen());
    const std::string& file = logFiles.files["c:\\l.txt"];
    EXPECT_NE(file.find("RunProgram program"), std::string::npos);
    EXPECT_NE(file.find("RunProgram returned 0\r\n"), std::string::npos);
}

TEST_F(RunProgramTest, FailedPollEndsTheWatchWithThePlatformErrorAndAnUnknownExitCode)
{
    const struct {
        std::uint32_t error;
        std::int32_t status;
    } cases[] = {{6, 6}, {0, static_cast<std::int32_t>(0x80004005)}};  // an error of 0 is still a failure
    for (const auto& c : cases) {
        launcher = FakeProcessLauncher();
        launcher.windows = &windows;
        launcher.endsAfterPolls = 1000;  // no window and no end: a spinning watch would poll on
        launcher.pollFailsAt = 2;
        launcher.waitError = c.error;
        g_log.Reset();
        EXPECT_EQ(Run(), c.status) << c.error;
        EXPECT_EQ(launcher.polls, 2) << c.error;
        EXPECT_EQ(exitCode, 0u);
        const auto& journal = launcher.journal;
        EXPECT_EQ(std::count(journal.begin(), journal.end(), L"wait forever"), 0) << c.error;
        EXPECT_EQ(launcher.openProcesses, 0);
        EXPECT_FALSE(shown.signalled);
        EXPECT_NE(LoggedText().find(L"RunProgram returned 0\n"), std::wstring::npos);
    }
}

TEST_F(RunProgramTest, WindowSetsTheEventOnceAndPollingStops)
{
    launcher.endsAfterPolls = 1000;
    launcher.windowAfterPolls = 3;
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(shown.signalled);
    EXPECT_EQ(launcher.polls, 3);
    EXPECT_EQ(windows.enumerations, 3);
    const auto& journal = launcher.journal;
    EXPECT_EQ(std::count(journal.begin(), journal.end(), L"wait 100"), 3);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), L"wait forever"), 1);
}

TEST_F(RunProgramTest, WindowOfAnotherProcessOrWithoutVisibleStyleDoesNotCount)
{
    windows.windows = {{1, 999, WindowSystem::kVisibleStyle}, {2, FakeProcessLauncher::kProcessId, 0x00CF0000}};
    launcher.endsAfterPolls = 4;
    EXPECT_EQ(Run(), 0);
    EXPECT_FALSE(shown.signalled);
    EXPECT_EQ(launcher.polls, 4);
    EXPECT_EQ(std::count(launcher.journal.begin(), launcher.journal.end(), L"wait forever"), 0);
}

TEST_F(RunProgramTest, FailuresAndTheirStatuses)
{
    struct Case {
        const char* what;
        std::wstring programType;
        bool startFails;
        bool exitCodeFails;
        std::int32_t status;
        const wchar_t* line;
        bool started;
    } cases[] = {
        {"mode refused", L"x64", false, false, static_cast<std::int32_t>(0x80004004),
         L"Run Program, Failed to set processor mode\n", false},
        {"creation failed", L"x86", true, false, static_cast<std::int32_t>(0x80070057), L"Run Program returned error\n",
         false},
        {"exit code unreadable", L"x86", false, true, 6, L"RunProgram returned 0\n", true},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        OpenLog("c:\\l.txt");
        logFiles.opens = 0;
        launcher = FakeProcessLauncher();
        launcher.windows = &windows;
        launcher.startFails = c.startFails;
        launcher.exitCodeFails = c.exitCodeFails;
        launcher.exitCode = 9;
        strings.entries[0] = c.programType;
        exitCode = 0xDEAD;
        EXPECT_EQ(Run(), c.status) << c.what;
        EXPECT_EQ(exitCode, 0u) << c.what;
        EXPECT_NE(LoggedText().find(c.line), std::wstring::npos) << c.what;
        EXPECT_EQ(launcher.openProcesses, 0) << c.what;
        EXPECT_EQ(launcher.polls > 0, c.started) << c.what;
        // Before a start the log is never closed; after one it is reopened.
        EXPECT_EQ(logFiles.opens, c.started ? 1 : 0) << c.what;
        EXPECT_TRUE(g_log.IsOpen()) << c.what;
    }
    // Nothing is started when the mode is refused.
    strings.entries[0] = L"x64";
    launcher = FakeProcessLauncher();
    Run();
    EXPECT_EQ(std::count(launcher.journal.begin(), launcher.journal.end(), L"start"), 0);
}

TEST_F(RunProgramTest, EmptyRunTargetGivesTwoQuotes)
{
    launcher.startFails = true;
    EXPECT_EQ(Run(L"", L"x "), static_cast<std::int32_t>(0x80070057));
    EXPECT_NE(LoggedText().find(L"RunProgram program '\"\" x '\n"), std::wstring::npos);
}

TEST(WindowIterator, CollectsAcceptedWindowsUpToCapacityInOrder)
{
    FakeWindowSystem windows;
    for (WindowHandle h = 1; h <= 5; ++h)
        windows.windows.push_back({h, static_cast<std::uint32_t>(h % 2), WindowSystem::kVisibleStyle});
    CMainWindowIterator odd(windows, 1, true, 2);
    EXPECT_EQ(odd.FirstWindow(), 1u);
    EXPECT_EQ(odd.NextWindow(), 3u);
    EXPECT_EQ(odd.NextWindow(), 0u);  // capacity 2 stops at window 3
    EXPECT_EQ(odd.FirstWindow(), 1u);  // a fresh enumeration starts over

    windows.windows[0].style = 0;
    CMainWindowIterator any(windows, 1, false, 1024);
    EXPECT_EQ(any.FirstWindow(), 1u);  // not visible, but visibility is not asked
    CMainWindowIterator visible(windows, 1, true, 1024);
    EXPECT_EQ(visible.FirstWindow(), 3u);
    EXPECT_TRUE(HasVisibleMainWindow(windows, 0));
    EXPECT_FALSE(HasVisibleMainWindow(windows, 7));
}

}  // namespace
