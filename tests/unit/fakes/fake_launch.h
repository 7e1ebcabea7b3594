// Fakes of the WOW64 entry points, the window list and process creation.
#pragma once

#include "fakes/seam_calls.h"
#include "launch/process_launcher.h"
#include "launch/processor_mode.h"
#include "launch/window_iterator.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class FakeWow64Api final : public Wow64Api {
public:
    bool kernel32Loads = true;
    std::set<Entry> missing;
    bool wow = false;
    int kernel32Loads_count = 0;
    std::map<Entry, int> lookups;
    std::vector<std::string> calls;
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    bool LoadKernel32() override
    {
        ++kernel32Loads_count;
        return !Injected(seamCalls, "Wow64Api", "LoadKernel32") && kernel32Loads;
    }
    bool LookUp(Entry entry) override
    {
        ++lookups[entry];
        return !Injected(seamCalls, "Wow64Api", "LookUp", std::to_wstring(static_cast<int>(entry))) &&
               !missing.count(entry);
    }
    // A failed call leaves the flag as it was initialised: FALSE.
    bool CallIsWow64Process() override
    {
        calls.push_back("IsWow64Process");
        return !Injected(seamCalls, "Wow64Api", "CallIsWow64Process") && wow;
    }
    bool CallDisableRedirection() override
    {
        if (Injected(seamCalls, "Wow64Api", "CallDisableRedirection"))
            return false;
        calls.push_back("Disable");
        return true;
    }
    void CallRevertRedirection() override
    {
        if (!Injected(seamCalls, "Wow64Api", "CallRevertRedirection"))
            calls.push_back("Revert");
    }
};

struct FakeWindow {
    WindowHandle handle;
    std::uint32_t processId;
    std::uint32_t style;
};

class FakeWindowSystem final : public WindowSystem {
public:
    std::vector<FakeWindow> windows;
    int enumerations = 0;
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    void EnumerateTopLevelWindows(const std::function<bool(WindowHandle)>& visit) override
    {
        ++enumerations;
        if (Injected(seamCalls, "WindowSystem", "EnumerateTopLevelWindows"))
            return;
        for (const auto& window : windows) {
            if (!visit(window.handle))
                break;
        }
    }
    std::uint32_t GetStyle(WindowHandle handle) override
    {
        return Injected(seamCalls, "WindowSystem", "GetStyle") ? 0 : Find(handle).style;
    }
    std::uint32_t GetOwnerProcessId(WindowHandle handle) override
    {
        return Injected(seamCalls, "WindowSystem", "GetOwnerProcessId") ? 0 : Find(handle).processId;
    }

private:
    const FakeWindow& Find(WindowHandle handle) const
    {
        for (const auto& window : windows) {
            if (window.handle == handle)
                return window;
        }
        static const FakeWindow none{0, 0, 0};
        return none;
    }
};

// A process that ends after a number of polls and can show a window (in the
// fake window list) after another number of polls. Until it has ended its
// exit code reads as STILL_ACTIVE, as the platform's does.
class FakeProcessLauncher final : public ProcessLauncher {
public:
    static constexpr std::uint32_t kProcessId = 4242;
    static constexpr std::uint32_t kStillActive = 259;

    bool startFails = false;
    int endsAfterPolls = 3;       // WaitForExit(100) reports the end on this poll
    int windowAfterPolls = -1;    // the window gets WS_VISIBLE before this poll; -1: never
    std::uint32_t exitCode = 0;
    bool exitCodeFails = false;
    std::uint32_t exitCodeError = 6;  // ERROR_INVALID_HANDLE
    int pollFailsAt = 0;              // this poll's wait fails; 0: none
    std::uint32_t waitError = 6;      // ERROR_INVALID_HANDLE

    FakeWindowSystem* windows = nullptr;
    std::vector<std::wstring> journal;
    std::wstring startedCommandLine;
    int openProcesses = 0;
    int polls = 0;
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    void ChangeDirectory(const std::wstring& folder) override
    {
        if (!Injected(seamCalls, "ProcessLauncher", "ChangeDirectory", folder))
            journal.push_back(L"chdir " + folder);
    }
    std::unique_ptr<ChildProcess> Start(const std::wstring& commandLine) override
    {
        journal.push_back(L"start");
        if (Injected(seamCalls, "ProcessLauncher", "Start", commandLine) || startFails)
            return nullptr;
        startedCommandLine = commandLine;
        return std::make_unique<Process>(*this);
    }

private:
    class Process final : public ChildProcess {
    public:
        explicit Process(FakeProcessLauncher& owner) : m_owner(owner) { ++m_owner.openProcesses; }
        ~Process() override
        {
            --m_owner.openProcesses;
            m_owner.journal.push_back(L"handles closed");
        }
        std::uint32_t GetProcessId() const override { return kProcessId; }
        WaitOutcome WaitForExit(std::uint32_t milliseconds, std::uint32_t& error) override
        {
            m_owner.journal.push_back(L"wait " + std::to_wstring(milliseconds));
            const int poll = ++m_owner.polls;
            if (m_owner.windows && poll == m_owner.windowAfterPolls)
                m_owner.windows->windows.push_back({0x77, kProcessId, WindowSystem::kVisibleStyle});
            // A failed wait returns at once; the process goes on regardless.
            if (poll == m_owner.pollFailsAt || Injected(m_owner.seamCalls, "ChildProcess", "WaitForExit")) {
                error = m_owner.waitError;
                return WaitOutcome::kFailed;
            }
            return poll >= m_owner.endsAfterPolls ? WaitOutcome::kEnded : WaitOutcome::kTimedOut;
        }
        bool WaitForExitWithoutTimeout(std::uint32_t& error) override
        {
            m_owner.journal.push_back(L"wait forever");
            if (Injected(m_owner.seamCalls, "ChildProcess", "WaitForExitWithoutTimeout")) {
                error = m_owner.exitCodeError;
                return false;
            }
            m_bWaitedToEnd = true;
            return true;
        }
        bool GetExitCode(std::uint32_t& exitCode, std::uint32_t& error) override
        {
            if (Injected(m_owner.seamCalls, "ChildProcess", "GetExitCode") || m_owner.exitCodeFails) {
                error = m_owner.exitCodeError;
                return false;
            }
            exitCode = m_bWaitedToEnd || m_owner.polls >= m_owner.endsAfterPolls ? m_owner.exitCode : kStillActive;
            return true;
        }

    private:
        FakeProcessLauncher& m_owner;
        bool m_bWaitedToEnd = false;
    };
};
