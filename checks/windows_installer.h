#pragma once

// True when the Windows Installer engine is recent enough.
bool CheckWindowsInstaller();
