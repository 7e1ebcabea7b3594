// One row of the benchmark table. Every benchmark program prints its figures
// as rows; bench/run.sh gathers them into one table and works out the ratio
// and difference to the baseline and whether the target is met.
#pragma once

#include <cstdio>
#include <string>

// A negative baseline means the figure has none. target is "ratio<=x",
// "diff<=x", "value<=x" or "-".
inline void PrintRow(const char* section, const std::string& figure, double ours, double baseline,
                     const char* unit, const char* target, const std::string& note = {})
{
    char baselineText[32] = "-";
    if (baseline >= 0)
        std::snprintf(baselineText, sizeof(baselineText), "%.3f", baseline);
    std::printf("row\t%s\t%s\t%.3f\t%s\t%s\t%s\t%s\n", section, figure.c_str(), ours, baselineText, unit, target,
                note.empty() ? "-" : note.c_str());
}

inline std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());  // file names and figures here are ASCII
}
