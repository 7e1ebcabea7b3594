#pragma once

class CVelloxInstallerApp;

// Logs the first signer's details and sets the program name forwarded to the
// installer: the build's default, then the signed program name if any.
void LogSignerInformation(CVelloxInstallerApp& app);
