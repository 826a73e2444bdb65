#pragma once
// Processes the driver starts, and the clock it times them with.

#include "platform/win/unique_handle.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quben::driver {

// A command that could not do its job; the driver reports `message` and stops.
struct CommandFailure {
    std::string message; // UTF-8
};

// Elapsed time from the performance counter.
class Stopwatch {
public:
    Stopwatch() { Restart(); }
    void Restart() { ::QueryPerformanceCounter(&start_); }
    double ElapsedMs() const;

private:
    LARGE_INTEGER start_{};
};

struct StartedProcess {
    quben::win::UniqueKernelHandle handle;
    DWORD pid = 0;
};

// Starts `args[0]` with the rest as its arguments, in the driver's directory and environment.
// Throws CommandFailure.
StartedProcess StartProcess(const std::vector<std::wstring>& args);

// The exit code once the process has ended; nothing while it runs.
std::optional<std::uint32_t> ExitCodeIfEnded(HANDLE process);

// Waits up to `timeoutMs` for the process to end; its exit code, or nothing on timeout.
std::optional<std::uint32_t> WaitForExit(HANDLE process, std::uint32_t timeoutMs);

// Polls `find` every `intervalMs` until it returns a window or `timeoutMs` has passed. Gives up
// early (returning null) when `process` is given and has ended, since the window cannot come.
template <class Find>
HWND PollForWindow(Find&& find, std::uint32_t timeoutMs, std::uint32_t intervalMs, HANDLE process) {
    Stopwatch clock;
    for (;;) {
        if (HWND found = find())
            return found;
        if (clock.ElapsedMs() >= timeoutMs || (process != nullptr && ExitCodeIfEnded(process)))
            return nullptr;
        ::Sleep(intervalMs);
    }
}

std::string Utf8Error(const char* what, DWORD error);

} // namespace quben::driver
