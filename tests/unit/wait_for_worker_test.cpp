#include "app_fixture.h"

#include <gtest/gtest.h>

namespace {

class WaitForWorkerTest : public AppFixture {
protected:
    WaitForWorkerTest()
    {
        std::uint32_t error = 0;
        shown = threads.CreateManualResetEvent(error);
        done = threads.CreateManualResetEvent(error);
        MakeApp({});
    }

    std::int32_t Wait(std::vector<std::function<std::size_t()>> script)
    {
        threads.waitScript = std::move(script);
        splash = dialogs.CreateSplash();
        dialogs.journal.clear();
        Event* const events[] = {shown.get(), done.get()};
        return app->WaitForWorker(events, splash.get());
    }

    std::function<std::size_t()> Depth(int depth)
    {
        return [this, depth] {
            app->m_nPromptDepth = depth;
            return std::size_t{2};  // new input
        };
    }

    std::unique_ptr<Event> shown;
    std::unique_ptr<Event> done;
    std::unique_ptr<Splash> splash;
};

constexpr std::size_t kShown = 0;
constexpr std::size_t kDone = 1;

TEST_F(WaitForWorkerTest, InstallerWindowEndsTheSplashAndResetsTheEvent)
{
    shown->Set();
    Wait({[] { return kShown; }, [] { return std::size_t{7}; }, [] { return kDone; }});
    EXPECT_EQ(dialogs.journal, std::vector<std::wstring>{L"splash ended"});
    EXPECT_FALSE(static_cast<FakeEvent*>(shown.get())->signalled);
    EXPECT_EQ(threads.dispatches, 3);  // messages are pumped before every wait
}

TEST_F(WaitForWorkerTest, WorkerDoneEndsAnOpenSplash)
{
    EXPECT_EQ(Wait({[] { return kDone; }}), 0);
    EXPECT_EQ(dialogs.journal, std::vector<std::wstring>{L"splash ended"});
}

TEST_F(WaitForWorkerTest, PromptHidesTheSplashAndItsEndShowsItAgain)
{
    Wait({Depth(1), Depth(2), Depth(1), Depth(0), [] { return kDone; }});
    EXPECT_EQ(dialogs.journal,
              (std::vector<std::wstring>{L"splash hidden", L"splash shown", L"splash ended"}));
}

TEST_F(WaitForWorkerTest, PromptAfterTheSplashEndedChangesNothing)
{
    Wait({[] { return kShown; }, Depth(1), Depth(0), [] { return kDone; }});
    EXPECT_EQ(dialogs.journal, std::vector<std::wstring>{L"splash ended"});
}

TEST_F(WaitForWorkerTest, FailedWaitEndsTheLoopWithThePlatformErrorInsteadOfSpinning)
{
    const struct {
        std::uint32_t error;
        std::int32_t result;
    } cases[] = {{6, 6}, {0, static_cast<std::int32_t>(0x80004005)}};  // an error of 0 is still a failure
    for (const auto& c : cases) {
        threads.waits = 0;
        threads.error = c.error;
        // Were the failure waited again, the next step would report the
        // done event and hide the fault.
        const std::int32_t result = Wait({[] { return Threads::kWaitFailed; }, [] { return kDone; }});
        EXPECT_EQ(result, c.result) << c.error;
        EXPECT_EQ(threads.waits, 1u) << c.error;
        EXPECT_EQ(dialogs.journal, std::vector<std::wstring>{L"splash ended"});
    }
}

}  // namespace
