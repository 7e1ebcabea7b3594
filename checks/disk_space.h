#pragma once

class CVelloxInstallerApp;

// True when the base folder's drive has the build's required space free; the
// app's disk space fields hold the figures for the report.
bool CheckFreeDiskSpace(CVelloxInstallerApp& app);
