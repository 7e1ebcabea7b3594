// Benchmark, not a test: how long after the installer's first ShowWindow the
// installer-shown event is set, through the real launch code under Windows
// (or Wine). Prints the distribution per window delay.
//
//   installer_shown_latency <fake_installer.exe> [runs per delay]
#include "app/code_page_win32.h"
#include "app/diagnostic_log.h"
#include "app/win32_handles.h"
#include "launch/process_launcher_win32.h"
#include "launch/run_program.h"
#include "launch/window_system_win32.h"
#include "launch/wow64_api_win32.h"
#include "ui/string_table_win32.h"
#include "table_row.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

class RecordingEvent final : public Event {
public:
    void Set() override
    {
        if (m_nSetAt == 0) {
            LARGE_INTEGER now;
            ::QueryPerformanceCounter(&now);
            m_nSetAt = now.QuadPart;
        }
    }
    void Reset() override {}
    long long SetAt() const { return m_nSetAt; }

private:
    long long m_nSetAt = 0;
};

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    const std::size_t at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[at];
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: installer_shown_latency <fake_installer.exe> [runs per delay]\n");
        return 2;
    }
    const std::wstring installer = argv[1];
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 20;

    Win32StringTable strings(::GetModuleHandleW(nullptr));  // no entry 0: mode Any
    Win32ProcessLauncher launcher;
    Win32WindowSystem windows;
    Win32Wow64Api wow64Api;
    Wow64 wow64(wow64Api);
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring shownAtFile = std::wstring(temp) + L"vellox_shown_at.txt";

    struct Row {
        const char* name;
        const wchar_t* windowMs;
        const wchar_t* childWindowMs;
    } rows[] = {
        {"window after 0 ms", L"0", nullptr},
        {"window after 300 ms", L"300", nullptr},
        {"window after 2000 ms", L"2000", nullptr},
        {"2000 ms, a child's window at 0 ms", L"2000", L"0"},
    };
    for (const auto& row : rows) {
        std::vector<double> latencies;
        int missed = 0;
        for (int run = 0; run < runs; ++run) {
            ::DeleteFileW(shownAtFile.c_str());
            ::SetEnvironmentVariableW(L"VELLOX_FAKE_WINDOW_MS", row.windowMs);
            ::SetEnvironmentVariableW(L"VELLOX_FAKE_CHILD_WINDOW_MS", row.childWindowMs);
            ::SetEnvironmentVariableW(L"VELLOX_FAKE_SHOWN_AT", shownAtFile.c_str());
            RecordingEvent shown;
            std::uint32_t exitCode = 0;
            RunProgram(LaunchServices{strings, launcher, windows, wow64}, temp, installer, L"", &exitCode, shown);
            long long shownAt = 0, frequency = 1;
            if (FILE* file = _wfopen(shownAtFile.c_str(), L"r")) {
                std::fscanf(file, "%lld %lld", &shownAt, &frequency);
                std::fclose(file);
            }
            if (shown.SetAt() == 0 || shownAt == 0) {
                ++missed;
                continue;
            }
            latencies.push_back(1000.0 * static_cast<double>(shown.SetAt() - shownAt) / static_cast<double>(frequency));
        }
        const std::string figure = std::string(row.name) + ": p95";
        if (latencies.empty()) {
            PrintRow("installer shown", figure, -1, -1, "ms", "value<=120", "event never set");
            continue;
        }
        char note[96];
        std::snprintf(note, sizeof(note), "%d runs: min %.1f, p50 %.1f, max %.1f%s", runs, Percentile(latencies, 0),
                      Percentile(latencies, 0.5), Percentile(latencies, 1), missed ? ", some missed" : "");
        PrintRow("installer shown", figure, Percentile(latencies, 0.95), -1, "ms", "value<=120", note);
        std::fflush(stdout);
    }
    return 0;
}
