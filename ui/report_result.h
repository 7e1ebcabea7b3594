#pragma once

#include <cstdint>

class CVelloxInstallerApp;

// Logs the message for the run result (and the installer's exit code) and,
// unless the run is silent, shows it.
void ReportResult(CVelloxInstallerApp& app, std::int32_t result);
