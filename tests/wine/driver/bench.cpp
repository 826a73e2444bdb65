#include "bench.h"

#include "dialog_actions.h"
#include "json_writer.h"
#include "process.h"
#include "window_query.h"

namespace quben::driver {
namespace {

constexpr std::uint32_t kDialogTimeoutMs = 30000;
constexpr std::uint32_t kCancelExitTimeoutMs = 10000;
constexpr std::uint32_t kCycleExitTimeoutMs = 60000;
constexpr std::uint32_t kRunExitTimeoutMs = 60000;
constexpr std::uint32_t kStandinCloseTimeoutMs = 10000;
constexpr std::uint32_t kFinePollMs = 1;

CommandFailure TimedOut(std::uint32_t timeoutMs) {
    return {"the program did not exit within " + std::to_string(timeoutMs) + " ms and was terminated"};
}

// A process started for one measurement; ended if the measurement is abandoned.
class MeasuredProcess {
public:
    explicit MeasuredProcess(const std::vector<std::wstring>& args) : process_(StartProcess(args)) {}
    MeasuredProcess(const MeasuredProcess&) = delete;
    MeasuredProcess& operator=(const MeasuredProcess&) = delete;
    ~MeasuredProcess() {
        if (!ExitCodeIfEnded(process_.handle.get()))
            ::TerminateProcess(process_.handle.get(), 1);
    }

    HANDLE handle() const { return process_.handle.get(); }

    HWND WaitFileDialog() const {
        DWORD pid = process_.pid;
        HWND dialog =
            PollForWindow([pid] { return FindFileDialog(pid); }, kDialogTimeoutMs, kFinePollMs, handle());
        if (dialog != nullptr)
            return dialog;
        if (auto code = ExitCodeIfEnded(handle()))
            throw CommandFailure{"the program exited (code " + std::to_string(*code) +
                                 ") before its open-file dialog appeared"};
        throw CommandFailure{"no open-file dialog appeared within " + std::to_string(kDialogTimeoutMs) +
                             " ms"};
    }

    void WaitExit(std::uint32_t timeoutMs) const {
        if (!WaitForExit(handle(), timeoutMs))
            throw TimedOut(timeoutMs);
    }

    // As WaitExit, but a message box of the program ends the wait at once: nobody would close it.
    void WaitExitWithoutMessageBox(std::uint32_t timeoutMs) const {
        Stopwatch clock;
        while (!WaitForExit(handle(), kFinePollMs)) {
            if (HWND box = FindMessageBox(process_.pid))
                throw CommandFailure{"the program showed a message box: " + ToUtf8(Text(box).value_or(L"")) +
                                     " / " + ToUtf8(MessageText(box).value_or(L""))};
            if (clock.ElapsedMs() >= timeoutMs)
                throw TimedOut(timeoutMs);
        }
    }

private:
    StartedProcess process_;
};

void CloseStandins() {
    CloseAllOfClass(kStandinClassName);
    if (!WaitUntilNoneOfClass(kStandinClassName, kStandinCloseTimeoutMs))
        throw CommandFailure{"spreadsheet stand-in windows did not close"};
}

} // namespace

std::vector<double> BenchDialog(const std::wstring& exe, std::int64_t runs) {
    std::vector<double> times;
    for (std::int64_t run = 0; run < runs; ++run) {
        Stopwatch clock;
        MeasuredProcess process({exe});
        HWND dialog = process.WaitFileDialog();
        times.push_back(clock.ElapsedMs());
        PressButton(dialog, IDCANCEL);
        process.WaitExit(kCancelExitTimeoutMs);
    }
    return times;
}

std::vector<double> BenchCycle(const std::wstring& exe, const std::wstring& workbook, std::int64_t runs) {
    std::vector<double> times;
    for (std::int64_t run = 0; run < runs; ++run) {
        MeasuredProcess process({exe});
        HWND dialog = process.WaitFileDialog();
        EnterFileName(dialog, workbook);
        Stopwatch clock;
        PressButton(dialog, IDOK);
        process.WaitExitWithoutMessageBox(kCycleExitTimeoutMs);
        times.push_back(clock.ElapsedMs());
        CloseStandins();
    }
    return times;
}

TimedRun BenchRun(const std::vector<std::wstring>& args) {
    Stopwatch clock;
    MeasuredProcess process(args);
    process.WaitExit(kRunExitTimeoutMs);
    double ms = clock.ElapsedMs();
    return {ms, ExitCodeIfEnded(process.handle()).value_or(0)};
}

} // namespace quben::driver
