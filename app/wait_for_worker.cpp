#include "app/installer_app.h"

void CVelloxInstallerApp::WaitForWorker(std::span<Event* const> events, Splash* splash)
{
    constexpr std::size_t kInstallerShown = 0;
    constexpr std::size_t kWorkerDone = 1;
    Threads& threads = m_services.threads;
    auto splashOpen = [&] { return splash && splash->IsOpen(); };

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
        const std::size_t woken = threads.WaitForEventsOrInput(events);
        if (woken == kWorkerDone)
            break;
        if (woken == kInstallerShown) {
            events[kInstallerShown]->Reset();
            if (splashOpen())
                splash->End();
            splash = nullptr;
        }
    }
    if (splashOpen())
        splash->End();
}
