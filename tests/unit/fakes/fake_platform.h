// Fakes of the platform services the start-up sequence runs on.
#pragma once

#include "app/clock.h"
#include "app/string_table.h"
#include "app/system_paths.h"
#include "app/threads.h"
#include "fakes/seam_calls.h"
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
    SeamCalls* seamCalls = nullptr;  // counts every load; fails the chosen one

    // A failed load gives an empty text, as LoadStringW's 0.
    std::wstring Load(unsigned id) const override
    {
        if (Injected(seamCalls, "StringTable", "Load", std::to_wstring(id)))
            return {};
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
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    std::optional<std::wstring> TempFolder() const override
    {
        return Injected(seamCalls, "SystemPaths", "TempFolder") ? std::nullopt : tempFolder;
    }
    std::optional<std::wstring> SpecialFolder(int csidl) const override
    {
        if (Injected(seamCalls, "SystemPaths", "SpecialFolder", std::to_wstring(csidl)))
            return std::nullopt;
        return csidl == kCsidlAppData         ? appData
               : csidl == kCsidlCommonAppData ? commonAppData
               : csidl == kCsidlSystem        ? systemFolder
                                              : std::nullopt;
    }
    std::wstring EnvironmentValue(std::wstring_view name) const override
    {
        if (Injected(seamCalls, "SystemPaths", "EnvironmentValue", name))
            return {};
        return name == L"SystemDrive" ? systemDrive : std::wstring();
    }
    // Joins relative paths to the current directory; no "." or ".." folding.
    // Drive paths and UNC paths (\\server\share) are full already.
    std::optional<std::wstring> FullPath(std::wstring_view path) const override
    {
        if (Injected(seamCalls, "SystemPaths", "FullPath", path))
            return std::nullopt;
        std::wstring full;
        if (path.empty())
            full = currentDirectory;
        else if ((path.size() >= 2 && path[1] == L':') || path.starts_with(L"\\\\"))
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
    std::optional<std::wstring> path = L"C:\\Downloads\\setup.exe";  // nullopt: never read whole
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    // A failed call, or a path still cut at the longest buffer, gives none.
    std::optional<std::wstring> GetOwnModulePath() const override
    {
        return Injected(seamCalls, "OwnModule", "GetOwnModulePath") ? std::nullopt : path;
    }
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
    static constexpr std::size_t kWaitFailed = 0xFFFFFFFF;  // WAIT_FAILED as the adapter passes it on

    int failEventNumber = 0;  // 1 or 2: that creation fails
    bool failStartWorker = false;
    std::uint32_t error = 8;  // ERROR_NOT_ENOUGH_MEMORY
    int eventsCreated = 0;
    int openEvents = 0;
    int workersStarted = 0;
    int dispatches = 0;
    std::vector<std::function<std::size_t()>> waitScript;
    std::size_t waits = 0;
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    std::unique_ptr<Event> CreateManualResetEvent(std::uint32_t& errorOut) override
    {
        if (++eventsCreated == failEventNumber || Injected(seamCalls, "Threads", "CreateManualResetEvent")) {
            errorOut = error;
            return nullptr;
        }
        return std::make_unique<FakeEvent>(openEvents);
    }
    bool StartWorker(std::function<void()> body, std::uint32_t& errorOut) override
    {
        if (failStartWorker || Injected(seamCalls, "Threads", "StartWorker")) {
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
        if (Injected(seamCalls, "Threads", "WaitForEventsOrInput"))
            return kWaitFailed;
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
    int openSplashes = 0;
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    void InitializeUserInterface() override
    {
        if (!Injected(seamCalls, "Dialogs", "InitializeUserInterface"))
            journal.push_back(L"init");
    }
    // A dialog that cannot be created: DialogBoxParamW's -1, neither answer.
    int AskQuestion(const std::wstring& message, const std::wstring& heading) override
    {
        journal.push_back(L"question: " + heading + L" | " + message);
        return Injected(seamCalls, "Dialogs", "AskQuestion", heading) ? -1 : questionAnswer;
    }
    void ShowError(const std::wstring& message, const std::wstring& link) override
    {
        if (Injected(seamCalls, "Dialogs", "ShowError", message))
            return;
        lastMessage = message;
        lastLink = link;
        journal.push_back(L"error");
    }
    std::optional<std::wstring> AskTempFolder(const std::wstring& title, const std::wstring& folder) override
    {
        journal.push_back(L"prompt: " + title + L" | " + folder);
        if (Injected(seamCalls, "Dialogs", "AskTempFolder", folder))
            return std::nullopt;
        return tempFolderAnswer;
    }
    // A splash whose window could not be created is never open.
    std::unique_ptr<Splash> CreateSplash() override
    {
        const bool created = !Injected(seamCalls, "Dialogs", "CreateSplash");
        return std::make_unique<FakeSplash>(journal, openSplashes, created);
    }

private:
    class FakeSplash final : public Splash {
    public:
        FakeSplash(std::vector<std::wstring>& journal, int& openSplashes, bool created)
            : m_journal(journal), m_openSplashes(openSplashes), m_bOpen(created)
        {
            m_journal.push_back(created ? L"splash created" : L"splash not created");
            ++m_openSplashes;
        }
        ~FakeSplash() override
        {
            --m_openSplashes;
            m_journal.push_back(L"splash destroyed");
        }
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
        int& m_openSplashes;
        bool m_bOpen;
    };
};
