#include "app/phase_marks.h"

// A benchmark build only: the precise clock needs Windows 8.
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0602
#include <windows.h>

#include <cstdio>

// Each mark is one line "<name> <FILETIME>" appended at once, so that the
// marks of both threads arrive whole and in order, and the cost of a mark is
// the same in the bootstrapper and in the benchmark's floor program.
void MarkPhase(const char* name)
{
    FILETIME now;
    ::GetSystemTimePreciseAsFileTime(&now);
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"VELLOX_PHASE_MARKS", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    const HANDLE file = ::CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char line[96];
    const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    const int size = std::snprintf(line, sizeof(line), "%s %llu\n", name, ticks);
    DWORD written = 0;
    if (size > 0)
        ::WriteFile(file, line, static_cast<DWORD>(size), &written, nullptr);
    ::CloseHandle(file);
}
