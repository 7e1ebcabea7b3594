#pragma once

class CVelloxInstallerApp;

// True when an accepted .NET Framework is installed; on false the app's
// framework requirement fields tell the report what is needed.
bool CheckNetFramework(CVelloxInstallerApp& app);
