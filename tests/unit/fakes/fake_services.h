// Every platform service of the run as a fake, and the bundle the
// application object takes.
#pragma once

#include "app/installer_app.h"
#include "fakes/fake_code_page.h"
#include "fakes/fake_file_system.h"
#include "fakes/fake_launch.h"
#include "fakes/fake_log_files.h"
#include "fakes/fake_machine_facts.h"
#include "fakes/fake_platform.h"
#include "fakes/fake_registry.h"
#include "fakes/fake_resource_store.h"
#include "fakes/fake_trust.h"

struct FakeServices {
    AppServices Services()
    {
        return AppServices{clock,     codePage, strings,   paths,      threads,       dialogs,
                           ownModule, registry, machine,   resources,  fileSystem,    trustVerifier,
                           signerReader, launcher, windows, wow64};
    }

    FakeClock clock;
    FakeCodePage codePage;
    FakeLogFiles logFiles;
    FakeStringTable strings;
    FakeSystemPaths paths;
    FakeThreads threads;
    FakeDialogs dialogs;
    FakeOwnModule ownModule;
    FakeProcessLauncher launcher;
    FakeWindowSystem windows;
    FakeWow64Api wow64Api;
    Wow64 wow64{wow64Api};
    FakeRegistry registry;
    FakeMachineFacts machine;
    FakeResourceStore resources;
    FakeFileSystem fileSystem;
    FakeTrustVerifier trustVerifier;
    FakeSignerReader signerReader;
};
