// Where a silent run's time goes: a bootstrapper and the platform-floor
// program (startup_write), both built with phase marks, run in alternation;
// each step's wall time is the time between its mark and the one before,
// from the process's creation to its end. Medians per step, as table rows.
//
//   phase_times <repetitions> <marks file> <bootstrapper command line> <floor command line>
#include "table_row.h"

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Step {
    const char* mark;  // the mark that ends it; nullptr: the process's end
    const char* label;
};

const Step kSteps[] = {
    {"entry", "process start to entry"},
    {"interface", "user interface and COM initialisation"},
    {"command-line", "command line and log"},
    {"signature", "signature check"},
    {"signer", "signer read"},
    {"checks", "machine checks"},
    {"worker-start", "worker start"},
    {"folder", "temporary folder made"},
    {"extraction", "extraction"},
    {"removal", "removal"},
    {nullptr, "exit"},
};
constexpr size_t kStepCount = sizeof(kSteps) / sizeof(kSteps[0]);

unsigned long long Ticks(const FILETIME& time)
{
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

struct RunTimes {
    bool ok = false;
    std::vector<double> stepMs;  // per step of kSteps
    double wallMs = 0;
    double cpuMs = 0;
};

RunTimes RunOnce(const std::wstring& commandLine, const std::wstring& marksFile)
{
    RunTimes times;
    ::DeleteFileW(marksFile.c_str());
    std::wstring line = commandLine;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return times;
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    FILETIME created, ended, kernel, user;
    const bool timed = ::GetProcessTimes(process.hProcess, &created, &ended, &kernel, &user);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    if (exitCode != 0 || !timed) {
        std::printf("%ls ended with %lu\n", commandLine.c_str(), exitCode);
        return times;
    }

    std::map<std::string, unsigned long long> marks;
    std::ifstream file(Narrow(marksFile).c_str());
    std::string name;
    unsigned long long at = 0;
    while (file >> name >> at)
        marks.emplace(name, at);  // the first of a name counts
    unsigned long long previous = Ticks(created);
    for (const Step& step : kSteps) {
        const auto found = step.mark ? marks.find(step.mark) : marks.end();
        if (step.mark && found == marks.end()) {
            std::printf("%ls: no mark %s\n", commandLine.c_str(), step.mark);
            return times;
        }
        const unsigned long long end = step.mark ? found->second : Ticks(ended);
        times.stepMs.push_back(end >= previous ? static_cast<double>(end - previous) / 10000.0 : 0.0);
        previous = std::max(previous, end);
    }
    times.wallMs = static_cast<double>(Ticks(ended) - Ticks(created)) / 10000.0;
    times.cpuMs = static_cast<double>(Ticks(kernel) + Ticks(user)) / 10000.0;
    times.ok = true;
    return times;
}

double Median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: phase_times <repetitions> <marks file> <bootstrapper command> <floor command>\n");
        return 2;
    }
    const int repetitions = std::max(1, _wtoi(argv[1]));
    const std::wstring marksFile = argv[2];
    ::SetEnvironmentVariableW(L"VELLOX_PHASE_MARKS", marksFile.c_str());

    // One pair first, not counted: the files and libraries come into the cache.
    RunOnce(argv[3], marksFile);
    RunOnce(argv[4], marksFile);
    std::vector<std::vector<double>> ours(kStepCount + 2), floor(kStepCount + 2);
    int pairs = 0;
    for (int i = 0; i < repetitions; ++i) {
        const RunTimes a = RunOnce(argv[3], marksFile);
        const RunTimes b = RunOnce(argv[4], marksFile);
        if (!a.ok || !b.ok)
            continue;
        for (size_t s = 0; s < kStepCount; ++s) {
            ours[s].push_back(a.stepMs[s]);
            floor[s].push_back(b.stepMs[s]);
        }
        ours[kStepCount].push_back(a.wallMs);
        floor[kStepCount].push_back(b.wallMs);
        ours[kStepCount + 1].push_back(a.cpuMs);
        floor[kStepCount + 1].push_back(b.cpuMs);
        ++pairs;
    }
    if (pairs == 0) {
        std::printf("no run completed\n");
        return 1;
    }
    const std::string note = "median of " + std::to_string(pairs) + " alternating pairs";
    for (size_t s = 0; s < kStepCount; ++s)
        PrintRow("phases", std::string("silent /dontrun vs platform floor: ") + kSteps[s].label, Median(ours[s]),
                 Median(floor[s]), "ms", "-", note);
    PrintRow("phases", "silent /dontrun vs platform floor: whole run, wall", Median(ours[kStepCount]),
             Median(floor[kStepCount]), "ms", "-", note);
    PrintRow("phases", "silent /dontrun vs platform floor: whole run, CPU", Median(ours[kStepCount + 1]),
             Median(floor[kStepCount + 1]), "ms", "-", note);
    return 0;
}
