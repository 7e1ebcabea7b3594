#include "app_fixture.h"
#include "fakes/fake_launch.h"
#include "launch/processor_mode.h"

#include <gtest/gtest.h>

namespace {

class ProcessorModeTest : public AppFixture {
protected:
    FakeWow64Api api;
};

TEST_F(ProcessorModeTest, ProgramTypeTextGivesTheMode)
{
    const struct {
        std::optional<std::wstring> text;
        ProcessorMode mode;
        const wchar_t* line;
    } cases[] = {
        {L"x86", ProcessorMode::x86, L"Swapping to x86\n"},
        {L"X86", ProcessorMode::x86, L"Swapping to x86\n"},
        {L"x64", ProcessorMode::x64, L"Swapping to x64\n"},
        {L"X64", ProcessorMode::x64, L"Swapping to x64\n"},
        {L"x32only", ProcessorMode::x32Only, L"Swapping to 32Bit only\n"},
        {L"x86 ", ProcessorMode::Any, L"Staying on Any\n"},
        {L"amd64", ProcessorMode::Any, L"Staying on Any\n"},
        {L"", ProcessorMode::Any, L"Staying on Any\n"},
        {std::nullopt, ProcessorMode::Any, L"Staying on Any\n"},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        if (c.text)
            strings.entries[0] = *c.text;
        else
            strings.entries.erase(0);
        EXPECT_EQ(GetProcessorMode(strings), c.mode);
        EXPECT_EQ(LoggedText(), L"ProgramType '" + c.text.value_or(L"") + L"'\n" + c.line);
    }
}

TEST_F(ProcessorModeTest, DecisionTable)
{
    const struct {
        const wchar_t* programType;
        bool wow;
        bool fits;
        bool redirectionOff;
    } cases[] = {
        {L"x86", false, true, false},    {L"x86", true, true, false},
        {L"x64", false, false, false},   {L"x64", true, true, true},
        {L"x32Only", false, true, false}, {L"x32Only", true, false, false},
        {L"Any", false, true, false},    {L"Any", true, true, true},
    };
    for (const auto& c : cases) {
        const std::string what = std::string(c.programType, c.programType + std::wcslen(c.programType)) +
                                 (c.wow ? " on 64-bit" : " on 32-bit");
        g_log.Reset();
        strings.entries[0] = c.programType;
        FakeWow64Api fake;
        fake.wow = c.wow;
        Wow64 wow64(fake);
        {
            ProcessorModeGuard guard(strings, wow64);
            EXPECT_EQ(guard.SetProcessorMode(), c.fits) << what;
            EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "Disable"), c.redirectionOff ? 1 : 0) << what;
            EXPECT_TRUE(guard.RestoreProcessorMode());
            EXPECT_TRUE(guard.RestoreProcessorMode());  // a second restore changes nothing
        }
        EXPECT_EQ(std::count(fake.calls.begin(), fake.calls.end(), "Revert"), c.redirectionOff ? 1 : 0) << what;
        const std::wstring text = LoggedText();
        EXPECT_EQ(text.find(L"Incorrect processor mode with installation type\n") != std::wstring::npos, !c.fits) << what;
        EXPECT_EQ(text.find(L"Enabling 64Bit spawned processes\n") != std::wstring::npos, c.redirectionOff) << what;
        EXPECT_EQ(text.find(L"Restoring 32Bit spawned processes\n") != std::wstring::npos, c.redirectionOff) << what;
    }
}

TEST_F(ProcessorModeTest, AbandonedGuardRestoresRedirection)
{
    strings.entries[0] = L"x64";
    api.wow = true;
    Wow64 wow64(api);
    {
        ProcessorModeGuard guard(strings, wow64);
        ASSERT_TRUE(guard.SetProcessorMode());
    }
    EXPECT_EQ(api.calls.back(), "Revert");
}

TEST_F(ProcessorModeTest, EntryPointsAreBoundOnceAndMissingOnesLookedUpAgain)
{
    api.wow = true;
    api.missing = {Wow64Api::Entry::DisableRedirection};
    Wow64 wow64(api);
    EXPECT_TRUE(wow64.IsWow64());
    EXPECT_TRUE(wow64.IsWow64());
    wow64.DisableFsRedirection();
    wow64.DisableFsRedirection();
    wow64.RevertFsRedirection();
    wow64.RevertFsRedirection();
    EXPECT_EQ(api.kernel32Loads_count, 1);
    EXPECT_EQ(api.lookups[Wow64Api::Entry::IsWow64Process], 1);
    EXPECT_EQ(api.lookups[Wow64Api::Entry::DisableRedirection], 2);  // missing: tried on every call
    // Nothing was switched off, so nothing is handed back.
    EXPECT_EQ(api.lookups[Wow64Api::Entry::RevertRedirection], 0);
    EXPECT_EQ(std::count(api.calls.begin(), api.calls.end(), "Disable"), 0);
    EXPECT_EQ(std::count(api.calls.begin(), api.calls.end(), "Revert"), 0);
}

TEST_F(ProcessorModeTest, MissingIsWow64ProcessMeans32BitWindows)
{
    api.missing = {Wow64Api::Entry::IsWow64Process};
    api.wow = true;
    Wow64 wow64(api);
    EXPECT_FALSE(wow64.IsWow64());
    wow64.DisableFsRedirection();
    EXPECT_TRUE(api.calls.empty());
    strings.entries[0] = L"x64";
    ProcessorModeGuard guard(strings, wow64);
    EXPECT_FALSE(guard.SetProcessorMode());
}

TEST_F(ProcessorModeTest, MissingSwitchStillLogsTheRestore)
{
    api.wow = true;
    api.missing = {Wow64Api::Entry::DisableRedirection, Wow64Api::Entry::RevertRedirection};
    strings.entries[0] = L"x64";
    Wow64 wow64(api);
    ProcessorModeGuard guard(strings, wow64);
    EXPECT_TRUE(guard.SetProcessorMode());
    guard.RestoreProcessorMode();
    EXPECT_NE(LoggedText().find(L"Restoring 32Bit spawned processes\n"), std::wstring::npos);
    // The mode's query and the switch's; the restore has nothing to switch back.
    EXPECT_EQ(api.calls, (std::vector<std::string>{"IsWow64Process", "IsWow64Process"}));
}

}  // namespace
