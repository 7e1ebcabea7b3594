#include "app_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

using StartupSequenceTest = AppFixture;

const std::wstring kNet20Key = L"Software\\Microsoft\\NET Framework Setup\\NDP\\v2.0.50727";

bool HasLine(const std::wstring& text, const std::wstring& line)
{
    for (const auto& l : Lines(text)) {
        if (l == line)
            return true;
    }
    return false;
}

std::size_t IndexOf(const std::vector<std::wstring>& lines, std::wstring_view prefix)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].starts_with(prefix))
            return i;
    }
    return lines.size();
}

TEST_F(StartupSequenceTest, SilentRunGoesThroughEveryStepInOrderAndShowsNothing)
{
    clock.ticks = 4242;
    auto& app = MakeApp({L"log", L"c:\\setup.log", L"/IAgreeToTheEULA"});
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.ExitInstance(), 0u);

    const auto lines = Lines(LoggedText());
    const std::wstring expectedOrder[] = {
        L"Command line params /IAgreeToTheEULA /log \"c:\\setup.log\" TW_I=\"\" ",
        L"Temp folder '",
        L"Started 4242",
        L"Digital verification: 'The file \"C:\\Downloads\\setup.exe\" is signed and the signature was verified.",
        L"GetAuthenticodeInformation ",
        L"Digital verification: IssuerName 'Test Issuer'",
        L".NET 2.0 0",
        L".NET 2.0 Detected SP 2",
        L".NET Version OK",
        L"Free Disk Space",
        L"Free disk space requirement passed.",
        L"Run Embedded Resources ",
        L"Command line params /IAgreeToTheEULA /log \"c:\\setup.log\" TW_I=\"Corvane Setup\" ",
        L"Scanning for Signature",
        L"Enumerate Resources OK ",
        L"Extract File setup.exe 0",
        L"RunProgram",
        L"Remove folder 'Yes'",
        L"Deletion Folder of '",
        L"Ended 4242",
    };
    std::size_t previous = 0;
    for (const auto& expected : expectedOrder) {
        const std::size_t at = IndexOf(std::vector(lines.begin() + static_cast<long>(previous), lines.end()), expected);
        ASSERT_LT(previous + at, lines.size()) << "missing or out of order: " << std::string(expected.begin(), expected.end());
        previous += at + 1;
    }
    // The splash exists but is never shown in a silent run.
    EXPECT_EQ(dialogs.journal,
              (std::vector<std::wstring>{L"init", L"splash created", L"splash ended", L"splash destroyed"}));
    EXPECT_EQ(threads.workersStarted, 1);
    EXPECT_FALSE(g_log.IsOpen());  // closed at exit
}

TEST_F(StartupSequenceTest, InteractiveRunShowsTheSplashUntilTheWorkerEnds)
{
    auto& app = MakeApp({});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0u);
    EXPECT_EQ(dialogs.journal, (std::vector<std::wstring>{L"init", L"splash created", L"splash shown", L"splash ended",
                                                          L"splash destroyed"}));
}

TEST_F(StartupSequenceTest, HelpRequestStopsBeforeStartedAndIsReported)
{
    auto& app = MakeApp({L"/?"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0x80030057u);
    const std::wstring text = LoggedText();
    EXPECT_EQ(text.find(L"Started"), std::wstring::npos);
    EXPECT_NE(text.find(L"Ended"), std::wstring::npos);
    EXPECT_EQ(threads.workersStarted, 0);
    EXPECT_EQ(dialogs.journal.back(), L"error");
}

TEST_F(StartupSequenceTest, SilentFailureIsOnlyLogged)
{
    strings.entries[114] = L"Command line '%s' incorrect.";
    auto& app = MakeApp({L"/?", L"/IAgreeToTheEULA"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0x80030057u);
    EXPECT_EQ(dialogs.journal, std::vector<std::wstring>{L"init"});
    EXPECT_NE(LoggedText().find(L"Command line '/? /IAgreeToTheEULA' incorrect.\n"), std::wstring::npos);
}

TEST_F(StartupSequenceTest, EventOrThreadFailureStopsBeforeTheSplashWithTheErrorAsHresult)
{
    struct Case {
        const char* what;
        int failEvent;
        bool failThread;
        std::uint32_t error;
        std::uint32_t exitCode;
    } cases[] = {
        {"done event", 1, false, 8, 0x80070008u},
        {"shown event", 2, false, 8, 0x80070008u},
        {"worker thread", 0, true, 8, 0x80070008u},
        // A failure without an error code must not end as success.
        {"done event, no error", 1, false, 0, 0x80004005u},
        {"shown event, no error", 2, false, 0, 0x80004005u},
        {"worker thread, no error", 0, true, 0, 0x80004005u},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        threads = FakeThreads();
        dialogs.journal.clear();
        threads.failEventNumber = c.failEvent;
        threads.failStartWorker = c.failThread;
        threads.error = c.error;
        auto& app = MakeApp({});
        app.InitInstance();
        EXPECT_EQ(app.ExitInstance(), c.exitCode) << c.what;
        EXPECT_EQ(threads.workersStarted, 0) << c.what;
        EXPECT_EQ(dialogs.journal, (std::vector<std::wstring>{L"init", L"error"})) << c.what;
        app.m_hWorkerDoneEvent.reset();
        app.m_hInstallerShownEvent.reset();
        EXPECT_EQ(threads.openEvents, 0) << c.what;
    }
}

TEST_F(StartupSequenceTest, AdministratorSwitchZeroSkipsTheCheck)
{
    const struct {
        std::optional<std::wstring> entry;
        bool checked;
    } cases[] = {{L"0", false}, {L"1", true}, {L" 0", true}, {L"00", true}, {L"", true}, {std::nullopt, true}};
    machine.membership = 0;
    for (const auto& c : cases) {
        g_log.Reset();
        machine.membershipQueries = 0;
        if (c.entry)
            strings.entries[145] = *c.entry;
        else
            strings.entries.erase(145);
        auto& app = MakeApp({L"/IAgreeToTheEULA"});
        app.InitInstance();
        const std::wstring entry = c.entry.value_or(L"absent");
        const std::string name(entry.begin(), entry.end());
        EXPECT_EQ(machine.membershipQueries, c.checked ? 1 : 0) << name;
        EXPECT_EQ(app.ExitInstance(), c.checked ? 0x80110413u : 0u) << name;
    }
}

TEST_F(StartupSequenceTest, ChecksRunInOrderAndTheFirstFailureEndsTheStartUp)
{
    const struct {
        const char* what;
        std::function<void()> breakMachine;
        std::uint32_t exitCode;
        bool frameworkChecked, installerChecked, diskChecked;
    } cases[] = {
        {"all pass", [] {}, 0u, true, true, true},
        {"not an administrator", [this] { machine.membership = 0; }, 0x80110413u, false,
         false, false},
        {"no .NET Framework", [this] { registry.unopenable.insert(kNet20Key); }, 0x80110409u, true, false,
         false},
        {"Windows 2000 without MSI.DLL", [this] { machine.osVersion = OsVersion{2, 5, 0}; },
         1613u, true, true, false},
        {"too little disk space", [this] { machine.freeBytes = 500u << 20; }, 0x80030070u,
         true, true, true},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        threads.workersStarted = 0;
        machine = FakeMachineFacts();
        registry.unopenable.clear();
        c.breakMachine();
        auto& app = MakeApp({L"/IAgreeToTheEULA"});
        app.InitInstance();
        EXPECT_EQ(app.ExitInstance(), c.exitCode) << c.what;
        EXPECT_EQ(threads.workersStarted, c.exitCode == 0 ? 1 : 0) << c.what;
        const std::wstring text = LoggedText();
        EXPECT_EQ(HasLine(text, L".NET 2.0 0"), c.frameworkChecked) << c.what;
        EXPECT_EQ(machine.osVersionQueries > 0, c.installerChecked) << c.what;
        EXPECT_EQ(HasLine(text, L"Free Disk Space"), c.diskChecked) << c.what;
    }
}

TEST(ExitCode, RunResultWinsOverTheInstallersCode)
{
    const struct {
        std::int32_t runResult;
        std::uint32_t installerCode;
        std::uint32_t exitCode;
        bool reported;
    } cases[] = {
        {0, 0, 0, false},
        {0, 5, 5, true},
        {0, 0xFFFFFFFF, 0xFFFFFFFF, true},
        {0, 0x80131700, 0x80131700, true},
        {1, 0, 1, false},
        {1, 7, 1, true},
        {static_cast<std::int32_t>(0x80004005), 0, 0x80004005, true},
        {static_cast<std::int32_t>(0x80004005), 3, 0x80004005, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExitCodeOf(c.runResult, c.installerCode), c.exitCode);
        EXPECT_EQ(NeedsReport(c.runResult, c.installerCode), c.reported);
    }
}

TEST_F(StartupSequenceTest, WorkerWithoutModuleHandleEndsEarlyWithSuccess)
{
    auto& app = MakeApp({L"/IAgreeToTheEULA"}, 0);
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0u);
    const std::wstring text = LoggedText();
    EXPECT_TRUE(HasLine(text, L"RunEmbeddedResource hLibrary is not set"));
    EXPECT_EQ(text.find(L"Scanning for Signature"), std::wstring::npos);
    EXPECT_EQ(text.find(L"Remove folder"), std::wstring::npos);
}

TEST_F(StartupSequenceTest, DontRunSkipsTheInstallerAndKeepLeavesTheFolder)
{
    auto& app = MakeApp({L"/dontrun", L"/keep", L"/IAgreeToTheEULA"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0u);
    const std::wstring text = LoggedText();
    EXPECT_EQ(text.find(L"RunProgram"), std::wstring::npos);
    EXPECT_TRUE(HasLine(text, L"Remove folder 'No'"));
    EXPECT_NE(text.find(L"Extract File setup.exe 0"), std::wstring::npos);
    EXPECT_EQ(text.find(L"Deletion Folder of"), std::wstring::npos);
}

TEST_F(StartupSequenceTest, WorkerStoresItsResultBeforeSignallingDone)
{
    auto& app = MakeApp({L"/IAgreeToTheEULA"});
    std::uint32_t error = 0;
    // The start-up creates both events before it starts the worker.
    app.m_hWorkerDoneEvent = threads.CreateManualResetEvent(error);
    app.m_hInstallerShownEvent = threads.CreateManualResetEvent(error);
    app.m_nRunResult = 12345;
    app.m_nInstallerExitCode = 99;
    app.WorkerThreadProc();
    EXPECT_EQ(app.m_nRunResult, 0);
    EXPECT_EQ(app.m_nInstallerExitCode, 0u);
    EXPECT_TRUE(static_cast<FakeEvent*>(app.m_hWorkerDoneEvent.get())->signalled);
}

TEST_F(StartupSequenceTest, TemporaryFolderPrompt)
{
    auto& silent = MakeApp({L"/IAgreeToTheEULA"});
    silent.ParseParameters();
    std::wstring folder = L"Q:\\x";
    EXPECT_EQ(silent.AskTempFolder(folder), static_cast<std::int32_t>(0x80004005));
    EXPECT_TRUE(HasLine(LoggedText(), L"Not Prompting the user as silent installation"));
    EXPECT_TRUE(dialogs.journal.empty());

    auto& app = MakeApp({});
    app.ParseParameters();
    dialogs.tempFolderAnswer = L"D:\\Setup";
    EXPECT_EQ(app.AskTempFolder(folder), 0);
    EXPECT_EQ(folder, L"D:\\Setup");
    EXPECT_EQ(dialogs.journal.back(), L"prompt: Corvane | Q:\\x");
    EXPECT_EQ(app.m_nPromptDepth, 0);

    dialogs.tempFolderAnswer.reset();
    EXPECT_EQ(app.AskTempFolder(folder), static_cast<std::int32_t>(0x80004005));
    EXPECT_EQ(folder, L"D:\\Setup");
}

TEST_F(StartupSequenceTest, PromptWakesTheMainThreadAfterEachChangeOfTheDepth)
{
    auto& app = MakeApp({});
    app.ParseParameters();
    std::vector<std::int32_t> depthsAtWake;
    threads.onWake = [&] { depthsAtWake.push_back(app.m_nPromptDepth); };
    int wakesBeforePrompt = -1;
    dialogs.onAskTempFolder = [&] { wakesBeforePrompt = threads.wakes; };
    dialogs.tempFolderAnswer = L"D:\\Setup";
    std::wstring folder = L"Q:\\x";
    EXPECT_EQ(app.AskTempFolder(folder), 0);
    EXPECT_EQ(wakesBeforePrompt, 1);  // the splash is hidden before the prompt is used
    EXPECT_EQ(depthsAtWake, (std::vector<std::int32_t>{1, 0}));

    // A cancelled prompt lowers the counter and wakes the main thread too.
    depthsAtWake.clear();
    dialogs.tempFolderAnswer.reset();
    EXPECT_NE(app.AskTempFolder(folder), 0);
    EXPECT_EQ(depthsAtWake, (std::vector<std::int32_t>{1, 0}));
}

// The worker on a thread of its own, as in the product.
class ThreadedRunTest : public AppFixture {
protected:
    ThreadedRunTest() { threads.realWorker = true; }
};

TEST_F(ThreadedRunTest, SplashIsDecidedFromTheOptionsAsTheyWereBeforeTheWorkerStarted)
{
    // The worker's second parse is held in the middle, with the option
    // fields reset, until the main thread has decided on the splash and
    // waits; the worker's fields must not decide it.
    for (const bool silent : {true, false}) {
        g_log.Reset();
        ResetTempFolder();
        threads = FakeThreads();
        threads.realWorker = true;
        dialogs.journal.clear();
        int parses = 0;
        std::atomic<bool> workerParsing = false;
        paths.onTempFolder = [&] {
            if (++parses == 2) {
                workerParsing = true;
                while (threads.waits == 0)
                    std::this_thread::yield();
            }
        };
        dialogs.onCreateSplash = [&] {
            while (!workerParsing)
                std::this_thread::yield();
        };
        auto& app = MakeApp(silent ? std::vector<std::wstring>{L"/IAgreeToTheEULA"} : std::vector<std::wstring>{});
        app.InitInstance();
        threads.JoinWorker();
        EXPECT_EQ(app.ExitInstance(), 0u) << silent;
        EXPECT_EQ(parses, 2) << silent;
        const std::vector<std::wstring> shown = {L"init", L"splash created", L"splash shown", L"splash ended",
                                                 L"splash destroyed"};
        const std::vector<std::wstring> hidden = {L"init", L"splash created", L"splash ended", L"splash destroyed"};
        EXPECT_EQ(dialogs.journal, silent ? hidden : shown) << silent;
        paths.onTempFolder = nullptr;
        dialogs.onCreateSplash = nullptr;
    }
}

TEST_F(ThreadedRunTest, PromptOpensOnlyOnceTheSplashIsHiddenAndTheWorkerGoesOnOnceItIsBack)
{
    // The main thread makes the splash only once the worker has raised the
    // prompt count and woken it, so the worker reaches its prompt first. Window work of
    // the two threads must not overlap (a dialog made while the other thread
    // hid the splash could fail to be created), so the prompt waits until
    // the splash is hidden, and the worker's next step until it is shown
    // again. Nothing but the worker's wake-ups arrives for the main thread.
    dialogs.tempFolderAnswer = L"D:\\Setup";
    auto& app = MakeApp({L"temp", L"Q:\\x", L"/dontrun"});
    dialogs.onCreateSplash = [&] {
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (threads.wakes == 0 && std::chrono::steady_clock::now() < limit)
            std::this_thread::yield();
    };
    bool hiddenBeforePrompt = false;
    bool shownBeforeNextStep = false;
    dialogs.onAskTempFolder = [&] { hiddenBeforePrompt = dialogs.HasEntry(L"splash hidden"); };
    fileSystem.beforeCall = [&](const std::string&, const std::wstring& path) {
        if (path.starts_with(L"D:\\Setup") && !shownBeforeNextStep)
            shownBeforeNextStep = dialogs.HasEntry(L"splash shown", L"splash hidden");
    };
    app.InitInstance();
    threads.JoinWorker();
    EXPECT_EQ(app.ExitInstance(), 0u);
    EXPECT_TRUE(hiddenBeforePrompt);
    EXPECT_TRUE(shownBeforeNextStep);
    EXPECT_EQ(std::count(dialogs.journal.begin(), dialogs.journal.end(), L"prompt: Corvane | Q:\\x"), 1);
    std::vector<std::wstring> splash;
    for (const auto& entry : dialogs.journal) {
        if (entry.starts_with(L"splash"))
            splash.push_back(entry);
    }
    // The prompt came first, so the splash was not shown before it.
    EXPECT_EQ(splash, (std::vector<std::wstring>{L"splash created", L"splash hidden", L"splash shown",
                                                 L"splash ended", L"splash destroyed"}));
}

TEST_F(StartupSequenceTest, WorkerDoesNotWaitLongForAMainThreadThatNeverAnswers)
{
    // Here the worker runs inside the start call, before the main thread
    // waits: nobody moves the splash, and the prompt still opens, after a
    // bounded number of pauses, and so does the rest of the run.
    dialogs.tempFolderAnswer = L"D:\\Setup";
    auto& app = MakeApp({L"temp", L"Q:\\x", L"/dontrun"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0u);
    EXPECT_EQ(std::count(dialogs.journal.begin(), dialogs.journal.end(), L"prompt: Corvane | Q:\\x"), 1);
    // Every pause before the prompt; none after it, as the count is back to
    // what the main thread last saw.
    EXPECT_EQ(threads.pauses, 300);
}

TEST_F(StartupSequenceTest, PromptAnswerIsResolvedToAFullPathLikeTheTempOption)
{
    // The fake resolves against the current directory C:\work.
    const std::wstring tooLong(300, L'a');
    const struct {
        std::wstring answer;
        std::int32_t result;
        std::wstring folder;  // afterwards; the old one when refused
        std::wstring logged;
    } cases[] = {
        {L"D:\\Setup", 0, L"D:\\Setup", L""},
        {L"rel", 0, L"C:\\work\\rel", L""},
        {L"", static_cast<std::int32_t>(0x80004005), L"Q:\\x", L"AskTempFolder answer is empty\n"},
        {L"   ", static_cast<std::int32_t>(0x80004005), L"Q:\\x", L"AskTempFolder answer is empty\n"},
        {L" \t ", static_cast<std::int32_t>(0x80004005), L"Q:\\x", L"AskTempFolder answer is empty\n"},
        {tooLong, static_cast<std::int32_t>(0x80004005), L"Q:\\x", L"AskTempFolder answer too long '" + tooLong + L"'\n"},
    };
    auto& app = MakeApp({});
    for (const auto& c : cases) {
        g_log.Reset();
        std::wstring folder = L"Q:\\x";
        dialogs.tempFolderAnswer = c.answer;
        EXPECT_EQ(app.AskTempFolder(folder), c.result) << std::string(c.answer.begin(), c.answer.end());
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(LoggedText(), c.logged);
    }
}

}  // namespace

namespace {

using SignatureStepTest = AppFixture;

const std::wstring kNotSignedText = L"The file \"C:\\Downloads\\setup.exe\" is not signed.\n";
const std::wstring kQuestionHeading = L"Verification of Corvane failed. Do you wish continue?";

TEST_F(SignatureStepTest, SilentRunWithAnyUnverifiedStatusStopsWithNoSignatureAndShowsNothing)
{
    const TrustOutcome outcomes[] = {{0x800B0100, 0x800B0100}, {0x80096010, 0}, {0x800B0111, 0}};
    for (const auto& outcome : outcomes) {
        g_log.Reset();
        dialogs.journal.clear();
        trustVerifier.outcome = outcome;
        auto& app = MakeApp({L"/IAgreeToTheEULA"});
        app.InitInstance();
        EXPECT_EQ(app.ExitInstance(), 0x800B0100u) << std::hex << outcome.status;
        const std::wstring text = LoggedText();
        EXPECT_TRUE(HasLine(text, L"Not signed correctly so failing now!")) << text;
        EXPECT_EQ(text.find(L"GetAuthenticodeInformation"), std::wstring::npos);
        EXPECT_EQ(text.find(L"Not signed correctly\n"), std::wstring::npos);
        EXPECT_EQ(dialogs.journal, std::vector<std::wstring>{L"init"});
        EXPECT_EQ(threads.workersStarted, 0);
    }
}

TEST_F(SignatureStepTest, AcceptedQuestionDrainsTheQueueAndGoesOnAsIfVerified)
{
    trustVerifier.outcome = {0x800B0100, 0x800B0100};
    signerReader.openFailure = SignerOpenFailure::kQueryObject;
    dialogs.questionAnswer = Dialogs::kOk;
    auto& app = MakeApp({L"log", L"c:\\setup.log"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0u);
    ASSERT_GE(dialogs.journal.size(), 2u);
    EXPECT_EQ(dialogs.journal[1], L"question: " + kQuestionHeading + L" | " + kNotSignedText);
    // One drain after the answer, besides the wait loop's one per wake-up.
    EXPECT_EQ(threads.dispatches, 1 + static_cast<int>(threads.waits));
    EXPECT_EQ(threads.workersStarted, 1);
    const auto lines = Lines(LoggedText());
    const std::size_t asked = IndexOf(lines, L"Not signed correctly");
    ASSERT_LT(asked, lines.size());
    EXPECT_EQ(lines[asked], L"Not signed correctly");
    EXPECT_LT(IndexOf(lines, L"Digital verification: 'The file"), asked);
    EXPECT_LT(asked, IndexOf(lines, L"Digital verification: Failed"));
    EXPECT_TRUE(HasLine(LoggedText(), L"Command line params /log \"c:\\setup.log\" TW_I=\"Mini\" "));
}

TEST_F(SignatureStepTest, DeclinedQuestionStopsWithNoSignatureAndOnlyLogsTheReport)
{
    const struct {
        TrustOutcome outcome;
        int answer;
    } cases[] = {
        {{0x800B0100, 0x800B0100}, Dialogs::kCancel},
        {{0x800B0111, 0}, Dialogs::kCancel},  // distrust still ends with the no-signature code
        {{0x80096010, 0}, 0},                 // any result other than Yes
    };
    strings.entries[113] = L"Failed to run %s error 0x%8x.";
    for (const auto& c : cases) {
        g_log.Reset();
        dialogs.journal.clear();
        threads = FakeThreads();
        trustVerifier.outcome = c.outcome;
        dialogs.questionAnswer = c.answer;
        auto& app = MakeApp({});
        app.InitInstance();
        EXPECT_EQ(app.ExitInstance(), 0x800B0100u) << std::hex << c.outcome.status;
        ASSERT_EQ(dialogs.journal.size(), 2u) << std::hex << c.outcome.status;
        EXPECT_TRUE(dialogs.journal[1].starts_with(L"question: " + kQuestionHeading + L" | "));
        EXPECT_EQ(threads.dispatches, 0);
        EXPECT_EQ(threads.workersStarted, 0);
        const std::wstring text = LoggedText();
        EXPECT_TRUE(HasLine(text, L"Not signed correctly"));
        EXPECT_EQ(text.find(L"GetAuthenticodeInformation"), std::wstring::npos);
        EXPECT_TRUE(HasLine(text, L"Failed to run Corvane error 0x800b0100.")) << text;  // the report, logged
    }
}

// Calls of one seam in a run's record, by operation.
std::vector<std::wstring> DetailsOf(const SeamCalls& calls, const std::string& name)
{
    std::vector<std::wstring> details;
    for (const auto& call : calls.calls) {
        if (call.name == name)
            details.push_back(call.detail);
    }
    return details;
}

TEST_F(SignatureStepTest, OwnPathNotReadWholeCountsAsUnverifiedAndNoSignerOrTailIsRead)
{
    const std::wstring account = L"The program's own path could not be read whole.\n";
    const struct {
        const char* what;
        std::vector<std::wstring> arguments;
        int answer;
        std::uint32_t exitCode;
    } cases[] = {
        {"silent", {L"/IAgreeToTheEULA"}, Dialogs::kOk, 0x800B0100u},
        {"asked, No", {}, Dialogs::kCancel, 0x800B0100u},
        {"asked, Yes", {}, Dialogs::kOk, 0u},
    };
    for (const auto& c : cases) {
        g_log.Reset();
        ResetTempFolder();
        dialogs.journal.clear();
        threads = FakeThreads();
        trustVerifier.paths.clear();
        signerReader.openedPaths.clear();
        SeamCalls fileCalls;
        fileSystem.seamCalls = &fileCalls;
        ownModule.path = std::nullopt;
        dialogs.questionAnswer = c.answer;
        auto& app = MakeApp(c.arguments);
        app.InitInstance();
        EXPECT_EQ(app.ExitInstance(), c.exitCode) << c.what;

        const std::wstring text = LoggedText();
        EXPECT_TRUE(HasLine(text, L"Digital verification: '" + account.substr(0, account.size() - 1))) << text;
        EXPECT_TRUE(trustVerifier.paths.empty()) << c.what;  // nothing else is verified in its place
        EXPECT_TRUE(signerReader.openedPaths.empty()) << c.what;
        EXPECT_TRUE(DetailsOf(fileCalls, "ReadTail").empty()) << c.what;
        EXPECT_EQ(text.find(L"GetAuthenticodeInformation"), std::wstring::npos) << c.what;
        EXPECT_EQ(text.find(L"Scanning for Signature"), std::wstring::npos) << c.what;
        if (c.arguments.empty()) {
            ASSERT_GE(dialogs.journal.size(), 2u) << c.what;
            EXPECT_EQ(dialogs.journal[1], L"question: " + kQuestionHeading + L" | " + account) << c.what;
        } else {
            EXPECT_TRUE(HasLine(text, L"Not signed correctly so failing now!")) << text;
            EXPECT_EQ(dialogs.journal, std::vector<std::wstring>{L"init"});
        }
        if (c.exitCode == 0) {
            // Yes goes on without a signer: the default program name, the
            // payload extracted as always.
            EXPECT_TRUE(HasLine(text, L"Digital verification: Failed")) << text;
            EXPECT_TRUE(HasLine(text, L"Command line params TW_I=\"Mini\" ")) << text;
            EXPECT_TRUE(HasLine(text, L"Extract File setup.exe 0")) << text;
        } else {
            EXPECT_EQ(threads.workersStarted, 0) << c.what;
        }
        fileSystem.seamCalls = nullptr;
    }
}

TEST_F(SignatureStepTest, LongOwnPathIsOpenedInItsExtendedFormAndLoggedAsItIs)
{
    const std::wstring ownPath = L"C:\\Downloads\\" + std::wstring(300, L'p') + L"\\setup.exe";
    const std::wstring extended = L"\\\\?\\" + ownPath;
    ownModule.path = ownPath;
    SeamCalls fileCalls;
    fileSystem.seamCalls = &fileCalls;
    auto& app = MakeApp({L"/IAgreeToTheEULA", L"/dontrun"});
    app.InitInstance();
    EXPECT_EQ(app.ExitInstance(), 0u);
    EXPECT_EQ(trustVerifier.paths, std::vector<std::wstring>{extended});
    EXPECT_EQ(signerReader.openedPaths, std::vector<std::wstring>{extended});
    EXPECT_EQ(DetailsOf(fileCalls, "ReadTail"), std::vector<std::wstring>{extended});
    EXPECT_TRUE(HasLine(LoggedText(), L"Digital verification: 'The file \"" + ownPath +
                                          L"\" is signed and the signature was verified."))
        << LoggedText();
    fileSystem.seamCalls = nullptr;
}

TEST_F(SignatureStepTest, QuestionCarriesTheFailureTextOfTheStatus)
{
    trustVerifier.outcome = {0x80096010, 0};
    dialogs.questionAnswer = Dialogs::kCancel;
    auto& app = MakeApp({});
    app.InitInstance();
    EXPECT_EQ(dialogs.journal.at(1), L"question: " + kQuestionHeading + L" | Error is: 0x80096010.\n");
    EXPECT_EQ(trustVerifier.paths, std::vector<std::wstring>{L"C:\\Downloads\\setup.exe"});
}

}  // namespace
