// Benchmark, not a test: how long the bootstrapper takes from its own start
// to its installer program's start, against starting that program directly.
//
//   launch_overhead <bootstrapper.exe> <fake_installer.exe> <work folder> [runs]
//
// Three timings per run, each from just before CreateProcessW:
//   direct      the fake installer started by this program, until it runs
//   bootstrap   the bootstrapper (silent), until its installer runs
//   dontrun     the bootstrapper with /dontrun, until it exits: its whole
//               run (start-up, checks, extraction, removal, exit) without
//               an installer; the extraction alone is in the extraction
//               benchmark
#include "table_row.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

long long Now()
{
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Frequency()
{
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(frequency.QuadPart);
}

// Starts the command line and waits for the process to end; the counter
// value just before the start.
long long RunAndWait(std::wstring commandLine)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    const long long start = Now();
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return 0;
    ::WaitForSingleObject(info.hProcess, INFINITE);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return start;
}

long long ReadCounter(const std::wstring& path)
{
    long long value = 0;
    if (FILE* file = _wfopen(path.c_str(), L"r")) {
        std::fscanf(file, "%lld", &value);
        std::fclose(file);
    }
    return value;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: launch_overhead <bootstrapper.exe> <fake_installer.exe> <work folder> [runs]\n");
        return 2;
    }
    const std::wstring bootstrapper = argv[1];
    const std::wstring installer = argv[2];
    const std::wstring work = argv[3];
    const int runs = argc > 4 ? std::max(1, _wtoi(argv[4])) : 10;
    const std::wstring startedAt = work + L"\\started_at.txt";
    const double frequency = Frequency();
    ::SetEnvironmentVariableW(L"VELLOX_FAKE_STARTED_AT", startedAt.c_str());

    std::vector<double> direct, bootstrap, dontrun;
    for (int run = 0; run < runs; ++run) {
        ::DeleteFileW(startedAt.c_str());
        long long start = RunAndWait(L"\"" + installer + L"\"");
        if (const long long started = ReadCounter(startedAt); start && started)
            direct.push_back(1000.0 * static_cast<double>(started - start) / frequency);

        ::DeleteFileW(startedAt.c_str());
        start = RunAndWait(L"\"" + bootstrapper + L"\" /IAgreeToTheEULA temp \"" + work + L"\"");
        if (const long long started = ReadCounter(startedAt); start && started)
            bootstrap.push_back(1000.0 * static_cast<double>(started - start) / frequency);

        start = RunAndWait(L"\"" + bootstrapper + L"\" /IAgreeToTheEULA /dontrun temp \"" + work + L"\"");
        if (start)
            dontrun.push_back(1000.0 * static_cast<double>(Now() - start) / frequency);
    }
    const double d = Median(direct), b = Median(bootstrap), x = Median(dontrun);
    char note[64];
    std::snprintf(note, sizeof(note), "medians of %zu and %zu runs", bootstrap.size(), direct.size());
    PrintRow("launch", "installer started through the bootstrapper vs directly", b, d, "ms", "-", note);
    std::snprintf(note, sizeof(note), "start-up, checks, extraction, removal; %zu runs", dontrun.size());
    PrintRow("launch", "bootstrapper /dontrun start to exit vs installer start", x, d, "ms", "-", note);
    return 0;
}
