#include "app/installer_app.h"

std::int32_t CVelloxInstallerApp::WaitForWorker(std::span<Event* const> events, Splash* splash)
{
    constexpr std::size_t kInstallerShown = 0;
    constexpr std::size_t kWorkerDone = 1;
    Threads& threads = m_services.threads;
    auto splashOpen = [&] { return splash && splash->IsOpen(); };

    std::int32_t result = Status::kOk;
    std::int32_t lastDepth = 0;
    for (;;) {
        threads.DispatchPendingMessages();
        const std::int32_t depth = m_nPromptDepth;
        if (depth != lastDepth && splashOpen()) {
            // The splash must not cover the worker's prompt.
            if (depth == 0)
                splash->Show();
            else if (lastDepth == 0 && depth == 1)
                splash->Hide();
            lastDepth = depth;
        }
        m_nSplashPromptDepth = depth;  // the worker may go on
        std::uint32_t error = 0;
        const std::size_t woken = threads.WaitForEventsOrInput(events, error);
        if (woken == kWorkerDone)
            break;
        // A wait that fails would fail again at once: waiting on would spin.
        // As when the installer's end cannot be waited for, the worker's
        // outcome is unknown and the platform error is the result.
        if (woken == Threads::kWaitFailed) {
            result = Status::FromPlatformError(error);
            break;
        }
        if (woken == kInstallerShown) {
            events[kInstallerShown]->Reset();
            if (splashOpen())
                splash->End();
            splash = nullptr;
        }
    }
    if (splashOpen())
        splash->End();
    return result;
}
