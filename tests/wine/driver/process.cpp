#include "process.h"

#include "command_line.h"

namespace quben::driver {

double Stopwatch::ElapsedMs() const {
    LARGE_INTEGER now, frequency;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

StartedProcess StartProcess(const std::vector<std::wstring>& args) {
    std::wstring commandLine = BuildCommandLine(args);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    // No standard handles: a GUI program started from a shell gets none, and under Wine it would
    // otherwise keep the driver's stdout pipe open (and pass it on to servers it starts), so a test
    // reading that pipe would wait for the whole process tree instead of the driver. (Wine hands
    // the Unix stderr down regardless: tests send the driver's stderr to a file.)
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info))
        throw CommandFailure{Utf8Error("CreateProcess failed", ::GetLastError())};
    ::CloseHandle(info.hThread);
    return {quben::win::UniqueKernelHandle(info.hProcess), info.dwProcessId};
}

std::optional<std::uint32_t> ExitCodeIfEnded(HANDLE process) {
    return WaitForExit(process, 0);
}

std::optional<std::uint32_t> WaitForExit(HANDLE process, std::uint32_t timeoutMs) {
    if (::WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0)
        return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(process, &code);
    return code;
}

std::string Utf8Error(const char* what, DWORD error) {
    return std::string(what) + " (error " + std::to_string(error) + ")";
}

} // namespace quben::driver
