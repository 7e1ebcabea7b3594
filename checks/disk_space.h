#pragma once

class CVelloxInstallerApp;

// True when the base folder's drive has more than the build's required
// megabytes available to the user. Fills the app's disk space fields (the
// required and free megabytes, the drive) for the report; free stays 0 when
// it cannot be measured.
bool CheckFreeDiskSpace(CVelloxInstallerApp& app);
