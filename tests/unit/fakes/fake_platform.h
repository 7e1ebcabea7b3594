// Fakes of the platform services the start-up sequence runs on.
#pragma once

#include "app/clock.h"
#include "app/string_table.h"
#include "app/system_paths.h"
#include "app/threads.h"
#include "trust/own_module.h"
#include "ui/dialogs.h"

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

class FakeClock final : public Clock {
public:
    std::uint32_t ticks = 1000;
    std::uint32_t GetTickCount() const override { return ticks; }
};

// The build's default configuration unless a test changes an entry.
class FakeStringTable final : public StringTable {
public:
    std::map<unsigned, std::wstring> entries = {
        {0, L"x86"},   {1, L"Corvane"}, {103, L"500"}, {137, L"Verification of %s failed. Do you wish continue?"},
        {138, L"0"},   {139, L"0"},     {140, L"0"},   {141, L"0"},
        {142, L"0"},   {145, L"1"},     {201, L"Mini"},
    };
    std::wstring Load(unsigned id) const override
    {
        const auto found = entries.find(id);
        return found == entries.end() ? std::wstring() : found->second;
    }
};

class FakeSystemPaths final : public SystemPaths {
public:
    std::optional<std::wstring> tempFolder = L"C:\\Users\\me\\AppData\\Local\\Temp\\";
    std::optional<std::wstring> appData = L"C:\\Users\\me\\AppData\\Roaming";
    std::optional<std::wstring> commonAppData = L"C:\\ProgramData";
    std::optional<std::wstring> systemFolder = L"C:\\Windows\\system32";
    std::wstring systemDrive = L"C:";
    std::wstring currentDirectory = L"C:\\work";

    std::optional<std::wstring> TempFolder() const override { return tempFolder; }
    std::optional<std::wstring> SpecialFolder(int csidl) const override
    {
        return csidl == kCsidlAppData         ? appData
               : csidl == kCsidlCommonAppData ? commonAppData
               : csidl == kCsidlSystem        ? systemFolder
                                              : std::nullopt;
    }
    std::wstring EnvironmentValue(std::wstring_view name) const override
    {
        return name == L"SystemDrive" ? systemDrive : std::wstring();
    }
    // Joins relative paths to the current directory; no "." or ".." folding.
    std::optional<std::wstring> FullPath(std::wstring_view path) const override
    {
        std::wstring full;
        if (path.empty())
            full = currentDirectory;
        else if (path.size() >= 2 && path[1] == L':')
            full = path;
        else
            full = currentDirectory + L"\\" + std::wstring(path);
        if (full.size() > kMaxFullPath)
            return std::nullopt;
        return full;
    }
};

class FakeOwnModule final : public OwnModule {
public:
    std::wstring GetOwnModulePath() const override { return L"C:\\Downloads\\setup.exe"; }
};

class FakeEvent final : public Event {
public:
    explicit FakeEvent(int& openEvents) : m_openEvents(openEvents) { ++m_openEvents; }
    ~FakeEvent() override { --m_openEvents; }
    void Set() override { signalled = true; }
    void Reset() override { signalled = false; }
    bool signalled = false;

private:
    int& m_openEvents;
};

// Runs the worker synchronously inside StartWorker. The wait follows the
// script when one is given (each step may change the world, then returns
// the wake-up value); otherwise it reports the first signalled event.
class FakeThreads final : public Threads {
public:
    int failEventNumber = 0;  // 1 or 2: that creation fails
    bool failStartWorker = false;
    std::uint32_t error = 8;  // ERROR_NOT_ENOUGH_MEMORY
    int eventsCreated = 0;
    int openEvents = 0;
    int workersStarted = 0;
    int dispatches = 0;
    std::vector<std::function<std::size_t()>> waitScript;
    std::size_t waits = 0;

    std::unique_ptr<Event> CreateManualResetEvent(std::uint32_t& errorOut) override
    {
        if (++eventsCreated == failEventNumber) {
            errorOut = error;
            return nullptr;
        }
        return std::make_unique<FakeEvent>(openEvents);
    }
    bool StartWorker(std::function<void()> body, std::uint32_t& errorOut) override
    {
        if (failStartWorker) {
            errorOut = error;
            return false;
        }
        ++workersStarted;
        body();
        return true;
    }
    void DispatchPendingMessages() override { ++dispatches; }
    std::size_t WaitForEventsOrInput(std::span<Event* const> events) override
    {
        if (waits < waitScript.size())
            return waitScript[waits++]();
        ++waits;
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (static_cast<FakeEvent*>(events[i])->signalled)
                return i;
        }
        return 1;  // nothing signalled: a real wait would hang; end the loop
    }
};

// Records what the user would have seen, in order, in a shared journal.
class FakeDialogs final : public Dialogs {
public:
    std::vector<std::wstring> journal;
    int questionAnswer = kOk;
    std::optional<std::wstring> tempFolderAnswer;
    std::wstring lastMessage;
    std::wstring lastLink;

    void InitializeUserInterface() override { journal.push_back(L"init"); }
    int AskQuestion(const std::wstring& message, const std::wstring& heading) override
    {
        journal.push_back(L"question: " + heading + L" | " + message);
        return questionAnswer;
    }
    void ShowError(const std::wstring& message, const std::wstring& link) override
    {
        lastMessage = message;
        lastLink = link;
        journal.push_back(L"error");
    }
    std::optional<std::wstring> AskTempFolder(const std::wstring& title, const std::wstring& folder) override
    {
        journal.push_back(L"prompt: " + title + L" | " + folder);
        return tempFolderAnswer;
    }
    std::unique_ptr<Splash> CreateSplash() override { return std::make_unique<FakeSplash>(journal); }

private:
    class FakeSplash final : public Splash {
    public:
        explicit FakeSplash(std::vector<std::wstring>& journal) : m_journal(journal) { m_journal.push_back(L"splash created"); }
        ~FakeSplash() override { m_journal.push_back(L"splash destroyed"); }
        bool IsOpen() const override { return m_bOpen; }
        void Show() override { m_journal.push_back(L"splash shown"); }
        void Hide() override { m_journal.push_back(L"splash hidden"); }
        void End() override
        {
            m_journal.push_back(L"splash ended");
            m_bOpen = false;
        }

    private:
        std::vector<std::wstring>& m_journal;
        bool m_bOpen = true;
    };
};
