#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Runs the bootstrapper with the process's arguments (without the program
// name) and its command line after the program name; returns the exit code.
int RunBootstrapper(HINSTANCE instance, std::vector<std::wstring> arguments, const wchar_t* commandLine);
