#pragma once
// Timed runs of a program, for the benchmarks. Each measures one interval per run with the
// performance counter; every failure ends the program it started before reporting.

#include <cstdint>
#include <string>
#include <vector>

namespace quben::driver {

inline constexpr wchar_t kStandinClassName[] = L"StandinSpreadsheet";

// From CreateProcess until the open-file dialog is visible; the dialog is then cancelled.
std::vector<double> BenchDialog(const std::wstring& exe, std::int64_t runs);

// From pressing Open on `workbook` until the program has exited; the spreadsheet windows it
// left are closed between runs.
std::vector<double> BenchCycle(const std::wstring& exe, const std::wstring& workbook, std::int64_t runs);

struct TimedRun {
    double ms;
    std::uint32_t exitCode;
};

// From CreateProcess of `args` until exit.
TimedRun BenchRun(const std::vector<std::wstring>& args);

} // namespace quben::driver
