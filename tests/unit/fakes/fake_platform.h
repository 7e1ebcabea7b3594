// Fakes of the platform services the start-up sequence runs on.
#pragma once

#include "app/clock.h"
#include "app/string_table.h"
#include "app/system_paths.h"
#include "app/threads.h"
#include "fakes/seam_calls.h"
#include "trust/own_module.h"
#include "ui/dialogs.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
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

    std::function<void()> onTempFolder;  // runs on every TempFolder call

    std::optional<std::wstring> TempFolder() const override
    {
        if (onTempFolder)
            onTempFolder();
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

// What the events and the wait share when the worker runs on a thread of
// its own: a setter or a wake-up notifies the waiting main thread.
struct FakeWaitState {
    std::mutex mutex;
    std::condition_variable changed;
    int pendingInput = 0;
};

class FakeEvent final : public Event {
public:
    explicit FakeEvent(int& openEvents, std::shared_ptr<FakeWaitState> state = nullptr)
        : m_openEvents(openEvents), m_state(std::move(state))
    {
        ++m_openEvents;
    }
    ~FakeEvent() override { --m_openEvents; }
    void Set() override { Signal(true); }
    void Reset() override { Signal(false); }
    std::atomic<bool> signalled = false;

private:
    void Signal(bool value)
    {
        if (!m_state) {
            signalled = value;
            return;
        }
        std::lock_guard lock(m_state->mutex);
        signalled = value;
        m_state->changed.notify_all();
    }

    int& m_openEvents;
    std::shared_ptr<FakeWaitState> m_state;
};

// Runs the worker synchronously inside StartWorker, or with realWorker on a
// thread of its own (joined by JoinWorker or the destructor). The wait
// follows the script when one is given (each step may change the world,
// then returns the wake-up value); otherwise it reports the first signalled
// event, and with a real worker sleeps until an event is set or a wake-up
// arrives (failing after a generous time-out rather than hanging a test).
class FakeThreads final : public Threads {
public:
    int failEventNumber = 0;  // 1 or 2: that creation fails
    bool failStartWorker = false;
    bool realWorker = false;
    std::uint32_t error = 8;  // ERROR_NOT_ENOUGH_MEMORY
    int eventsCreated = 0;
    int openEvents = 0;
    int workersStarted = 0;
    int dispatches = 0;
    std::atomic<int> wakes = 0;
    std::atomic<int> pauses = 0;
    std::function<void()> onWake;  // called after every wake-up is sent, on the waking thread
    std::vector<std::function<std::size_t()>> waitScript;
    std::atomic<std::size_t> waits = 0;
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    FakeThreads() = default;
    FakeThreads& operator=(FakeThreads&& other)
    {
        JoinWorker();
        failEventNumber = other.failEventNumber;
        failStartWorker = other.failStartWorker;
        realWorker = other.realWorker;
        error = other.error;
        eventsCreated = other.eventsCreated;
        openEvents = other.openEvents;
        workersStarted = other.workersStarted;
        dispatches = other.dispatches;
        wakes = other.wakes.load();
        pauses = other.pauses.load();
        onWake = std::move(other.onWake);
        waitScript = std::move(other.waitScript);
        waits = other.waits.load();
        seamCalls = other.seamCalls;
        return *this;
    }
    ~FakeThreads() override { JoinWorker(); }

    void JoinWorker()
    {
        if (m_worker.joinable())
            m_worker.join();
    }

    std::unique_ptr<Event> CreateManualResetEvent(std::uint32_t& errorOut) override
    {
        if (++eventsCreated == failEventNumber || Injected(seamCalls, "Threads", "CreateManualResetEvent")) {
            errorOut = error;
            return nullptr;
        }
        return std::make_unique<FakeEvent>(openEvents, m_state);
    }
    bool StartWorker(std::function<void()> body, std::uint32_t& errorOut) override
    {
        if (failStartWorker || Injected(seamCalls, "Threads", "StartWorker")) {
            errorOut = error;
            return false;
        }
        ++workersStarted;
        if (realWorker)
            m_worker = std::thread(std::move(body));
        else
            body();
        return true;
    }
    void DispatchPendingMessages() override { ++dispatches; }
    void WakeMainThread() override
    {
        ++wakes;
        {
            std::lock_guard lock(m_state->mutex);
            ++m_state->pendingInput;
            m_state->changed.notify_all();
        }
        if (onWake)
            onWake();
    }
    // Counted; a real worker really sleeps, so that the main thread can act.
    void Pause(std::uint32_t milliseconds) override
    {
        ++pauses;
        if (realWorker)
            std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    std::size_t WaitForEventsOrInput(std::span<Event* const> events, std::uint32_t& errorOut) override
    {
        if (waits < waitScript.size()) {
            errorOut = error;  // for a step that reports a failed wait
            return waitScript[waits++]();
        }
        ++waits;
        if (Injected(seamCalls, "Threads", "WaitForEventsOrInput")) {
            errorOut = error;
            return kWaitFailed;
        }
        const auto signalledIndex = [&]() -> std::optional<std::size_t> {
            for (std::size_t i = 0; i < events.size(); ++i) {
                if (static_cast<FakeEvent*>(events[i])->signalled)
                    return i;
            }
            return std::nullopt;
        };
        std::unique_lock lock(m_state->mutex);
        if (realWorker &&
            !m_state->changed.wait_for(lock, std::chrono::seconds(60),
                                       [&] { return m_state->pendingInput > 0 || signalledIndex(); })) {
            errorOut = 1460;  // ERROR_TIMEOUT
            return kWaitFailed;
        }
        if (m_state->pendingInput > 0) {
            --m_state->pendingInput;
            return events.size();
        }
        return signalledIndex().value_or(1);  // nothing signalled: a real wait would hang; end the loop
    }

private:
    std::shared_ptr<FakeWaitState> m_state = std::make_shared<FakeWaitState>();
    std::thread m_worker;
};

// Records what the user would have seen, in order, in a shared journal.
// The splash is used by the main thread and the prompt by the worker, so
// the journal takes a lock; read it directly once the worker has ended.
class FakeDialogs final : public Dialogs {
public:
    std::vector<std::wstring> journal;
    int questionAnswer = kOk;
    std::optional<std::wstring> tempFolderAnswer;
    std::wstring lastMessage;
    std::wstring lastLink;
    int openSplashes = 0;
    std::function<void()> onAskTempFolder;  // runs while the prompt is open
    std::function<void()> onCreateSplash;   // runs before the splash is made
    SeamCalls* seamCalls = nullptr;  // counts every call; fails the chosen one

    void Record(std::wstring entry)
    {
        std::lock_guard lock(m_mutex);
        journal.push_back(std::move(entry));
    }
    // Does the journal hold entry (after the first "after", when given)?
    bool HasEntry(const std::wstring& entry, const std::wstring& after = {})
    {
        std::lock_guard lock(m_mutex);
        auto from = after.empty() ? journal.begin() : std::find(journal.begin(), journal.end(), after);
        return from != journal.end() && std::find(from, journal.end(), entry) != journal.end();
    }

    void InitializeUserInterface() override
    {
        if (!Injected(seamCalls, "Dialogs", "InitializeUserInterface"))
            Record(L"init");
    }
    // A dialog that cannot be created: DialogBoxParamW's -1, neither answer.
    int AskQuestion(const std::wstring& message, const std::wstring& heading) override
    {
        Record(L"question: " + heading + L" | " + message);
        return Injected(seamCalls, "Dialogs", "AskQuestion", heading) ? -1 : questionAnswer;
    }
    void ShowError(const std::wstring& message, const std::wstring& link) override
    {
        if (Injected(seamCalls, "Dialogs", "ShowError", message))
            return;
        lastMessage = message;
        lastLink = link;
        Record(L"error");
    }
    std::optional<std::wstring> AskTempFolder(const std::wstring& title, const std::wstring& folder) override
    {
        Record(L"prompt: " + title + L" | " + folder);
        if (Injected(seamCalls, "Dialogs", "AskTempFolder", folder))
            return std::nullopt;
        if (onAskTempFolder)
            onAskTempFolder();
        return tempFolderAnswer;
    }
    // A splash whose window could not be created is never open.
    std::unique_ptr<Splash> CreateSplash() override
    {
        if (onCreateSplash)
            onCreateSplash();
        const bool created = !Injected(seamCalls, "Dialogs", "CreateSplash");
        return std::make_unique<FakeSplash>(*this, created);
    }

private:
    class FakeSplash final : public Splash {
    public:
        FakeSplash(FakeDialogs& owner, bool created) : m_owner(owner), m_bOpen(created)
        {
            m_owner.Record(created ? L"splash created" : L"splash not created");
            ++m_owner.openSplashes;
        }
        ~FakeSplash() override
        {
            --m_owner.openSplashes;
            m_owner.Record(L"splash destroyed");
        }
        bool IsOpen() const override { return m_bOpen; }
        void Show() override { m_owner.Record(L"splash shown"); }
        void Hide() override { m_owner.Record(L"splash hidden"); }
        void End() override
        {
            m_owner.Record(L"splash ended");
            m_bOpen = false;
        }

    private:
        FakeDialogs& m_owner;
        bool m_bOpen;
    };

    std::mutex m_mutex;
};
