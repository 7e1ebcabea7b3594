// Wall time of a whole silent installation: our bootstrapper against an
// installer made by another tool around the same payload, both extracting to
// a temporary folder, running the same installer program, waiting for it and
// removing the folder. Prints figures; asserts nothing.
//
//   install_wall_time <repetitions> (<name> <bootstrapper.exe> <other installer.exe>)...
#include "table_row.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Seconds()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    if (n == 0)
        return -1;
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Seconds from just before CreateProcessW to the process's end; negative
// when it could not start or did not exit with 0.
double TimeRun(std::wstring commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const double start = Seconds();
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return -1;
    ::WaitForSingleObject(info.hProcess, INFINITE);
    const double elapsed = Seconds() - start;
    DWORD exitCode = 1;
    ::GetExitCodeProcess(info.hProcess, &exitCode);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return exitCode == 0 ? elapsed : -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 5 || (argc - 2) % 3 != 0) {
        std::fprintf(stderr, "usage: install_wall_time <repetitions> (<name> <bootstrapper.exe> <other.exe>)...\n");
        return 2;
    }
    const int repetitions = std::max(1, _wtoi(argv[1]));
    for (int arg = 2; arg + 2 < argc; arg += 3) {
        const std::wstring ours = L"\"" + std::wstring(argv[arg + 1]) + L"\" /IAgreeToTheEULA";
        const std::wstring other = L"\"" + std::wstring(argv[arg + 2]) + L"\"";
        std::vector<double> oursTimes, otherTimes;
        int failed = 0;
        for (int rep = 0; rep < repetitions; ++rep) {
            // Alternate which goes first, so that neither always meets a warmer cache.
            for (int turn = 0; turn < 2; ++turn) {
                const bool oursNow = (turn == 0) == (rep % 2 == 0);
                const double seconds = TimeRun(oursNow ? ours : other);
                if (seconds < 0)
                    ++failed;
                else
                    (oursNow ? oursTimes : otherTimes).push_back(seconds * 1000);
            }
        }
        char note[96];
        std::snprintf(note, sizeof(note), "medians of %zu and %zu runs%s", oursTimes.size(), otherTimes.size(),
                      failed ? ", some runs failed" : "");
        PrintRow("install vs NSIS", Narrow(argv[arg]) + ": wall time, ours vs NSIS", Median(oursTimes),
                 Median(otherTimes), "ms", "-", note);
        std::fflush(stdout);
    }
    return 0;
}
