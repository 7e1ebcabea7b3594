// Fakes of the WOW64 entry points, the window list and process creation.
#pragma once

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

    bool LoadKernel32() override
    {
        ++kernel32Loads_count;
        return kernel32Loads;
    }
    bool LookUp(Entry entry) override
    {
        ++lookups[entry];
        return !missing.count(entry);
    }
    bool CallIsWow64Process() override
    {
        calls.push_back("IsWow64Process");
        return wow;
    }
    void CallDisableRedirection() override { calls.push_back("Disable"); }
    void CallRevertRedirection() override { calls.push_back("Revert"); }
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

    void EnumerateTopLevelWindows(const std::function<bool(WindowHandle)>& visit) override
    {
        ++enumerations;
        for (const auto& window : windows) {
            if (!visit(window.handle))
                break;
        }
    }
    std::uint32_t GetStyle(WindowHandle handle) override { return Find(handle).style; }
    std::uint32_t GetOwnerProcessId(WindowHandle handle) override { return Find(handle).processId; }

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
// fake window list) after another number of polls.
class FakeProcessLauncher final : public ProcessLauncher {
public:
    static constexpr std::uint32_t kProcessId = 4242;

    bool startFails = false;
    int endsAfterPolls = 3;       // WaitForExit(100) reports the end on this poll
    int windowAfterPolls = -1;    // the window gets WS_VISIBLE before this poll; -1: never
    std::uint32_t exitCode = 0;
    bool exitCodeFails = false;
    std::uint32_t exitCodeError = 6;  // ERROR_INVALID_HANDLE

    FakeWindowSystem* windows = nullptr;
    std::vector<std::wstring> journal;
    std::wstring startedCommandLine;
    int openProcesses = 0;
    int polls = 0;

    void ChangeDirectory(const std::wstring& folder) override { journal.push_back(L"chdir " + folder); }
    std::unique_ptr<ChildProcess> Start(const std::wstring& commandLine) override
    {
        journal.push_back(L"start");
        if (startFails)
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
        bool WaitForExit(std::uint32_t milliseconds) override
        {
            m_owner.journal.push_back(L"wait " + std::to_wstring(milliseconds));
            const int poll = ++m_owner.polls;
            if (m_owner.windows && poll == m_owner.windowAfterPolls)
                m_owner.windows->windows.push_back({0x77, kProcessId, WindowSystem::kVisibleStyle});
            return poll >= m_owner.endsAfterPolls;
        }
        void WaitForExitWithoutTimeout() override { m_owner.journal.push_back(L"wait forever"); }
        bool GetExitCode(std::uint32_t& exitCode, std::uint32_t& error) override
        {
            if (m_owner.exitCodeFails) {
                error = m_owner.exitCodeError;
                return false;
            }
            exitCode = m_owner.exitCode;
            return true;
        }

    private:
        FakeProcessLauncher& m_owner;
    };
};
