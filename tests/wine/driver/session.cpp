#include "session.h"

#include "bench.h"
#include "dialog_actions.h"
#include "report.h"
#include "window_query.h"

#include "launcher/window_names.h"
#include "platform/win/path_buffer.h"

#include <commdlg.h>

#include <array>
#include <utility>

namespace quben::driver {
namespace {

constexpr std::uint32_t kPollMs = 5;

void WriteTimes(JsonWriter& json, const std::vector<double>& times) {
    json.Key("ms").BeginArray();
    for (double ms : times)
        json.Number(ms);
    json.EndArray();
    json.Key("median").Number(Median(times));
}

std::uint32_t Milliseconds(const Command& command, std::size_t index) {
    return static_cast<std::uint32_t>(command.Number(index));
}

} // namespace

Session::Handler Session::HandlerFor(std::wstring_view word) {
    static constexpr std::array<std::pair<std::wstring_view, Handler>, 21> kHandlers{{
        {L"run", &Session::Run},
        {L"wait-dialog", &Session::WaitDialog},
        {L"form", &Session::Form},
        {L"choose", &Session::Choose},
        {L"cancel", &Session::Cancel},
        {L"help", &Session::Help},
        {L"post-help", &Session::PostHelp},
        {L"wait-msgbox", &Session::WaitMsgBox},
        {L"press", &Session::Press},
        {L"wait-exit", &Session::WaitExit},
        {L"windows", &Session::Windows},
        {L"close", &Session::Close},
        {L"send", &Session::Send},
        {L"show", &Session::Show},
        {L"tick", &Session::Tick},
        {L"foreground", &Session::Foreground},
        {L"long-path", &Session::LongPath},
        {L"sleep", &Session::Sleep},
        {L"bench-dialog", &Session::BenchDialog},
        {L"bench-cycle", &Session::BenchCycle},
        {L"bench-run", &Session::BenchRun},
    }};
    for (const auto& [name, handler] : kHandlers) {
        if (name == word)
            return handler;
    }
    throw CommandFailure{"unknown command"};
}

void Session::Execute(const Command& command, JsonWriter& json) {
    (this->*HandlerFor(command.word))(command, json);
}

HWND Session::FormWindow() const {
    return FindTopLevel(kForm3ClassName, Pid());
}

HWND Session::CurrentDialog() {
    if (dialog_ == nullptr || !::IsWindow(dialog_) || !::IsWindowVisible(dialog_))
        dialog_ = FindFileDialog(Pid());
    if (dialog_ == nullptr)
        throw CommandFailure{"no open-file dialog"};
    popup_ = dialog_;
    return dialog_;
}

template <class Find, class Describe>
HWND Session::WaitFor(const Command& command, const char* what, Find&& find, Describe&& describe,
                      JsonWriter& description, double& foundAfterMs) {
    Stopwatch clock;
    auto findDescribed = [&]() -> HWND {
        HWND window = find();
        if (window == nullptr)
            return nullptr;
        foundAfterMs = clock.ElapsedMs();
        JsonWriter json;
        describe(json, window);
        if (!::IsWindow(window))
            return nullptr;
        description = std::move(json);
        return window;
    };
    if (HWND found = PollForWindow(findDescribed, Milliseconds(command, 0), kPollMs, Process()))
        return found;
    if (auto code = Process() != nullptr ? ExitCodeIfEnded(Process()) : std::nullopt)
        throw CommandFailure{std::string("the program exited (code ") + std::to_string(*code) + ") before " +
                             what + " appeared"};
    throw CommandFailure{std::string("timed out waiting for ") + what};
}

void Session::Run(const Command& command, JsonWriter& json) {
    sinceRun_.Restart();
    process_ = StartProcess({command.args[0]});
    dialog_ = popup_ = nullptr;
    json.Key("pid").Int(process_.pid);
}

void Session::WaitDialog(const Command& command, JsonWriter& json) {
    double commandMs = 0;
    double runMsAtStart = Process() != nullptr ? sinceRun_.ElapsedMs() : 0.0;
    JsonWriter dialog;
    DWORD pid = Pid();
    dialog_ = popup_ = WaitFor(
        command, "an open-file dialog", [pid] { return FindFileDialog(pid); }, WriteFileDialog, dialog,
        commandMs);
    json.Key("ms").Number(runMsAtStart + commandMs);
    json.Key("dialog").Raw(dialog.Text());
    json.Key("form");
    WriteForm(json, FormWindow());
    json.Key("screen").BeginArray();
    json.Int(::GetSystemMetrics(SM_CXSCREEN)).Int(::GetSystemMetrics(SM_CYSCREEN)).EndArray();
}

void Session::Form(const Command&, JsonWriter& json) {
    json.Key("form");
    WriteForm(json, FormWindow());
}

void Session::Choose(const Command& command, JsonWriter& json) {
    HWND dialog = CurrentDialog();
    std::wstring readBack = EnterFileName(dialog, command.args[0]);
    PressButton(dialog, IDOK);
    json.Key("text").String(readBack);
    // When the choice was made, on the clock of the stand-in's journal.
    json.Key("tick").Number(static_cast<double>(::GetTickCount64()));
}

void Session::Cancel(const Command&, JsonWriter&) {
    PressButton(CurrentDialog(), IDCANCEL);
}

void Session::Help(const Command&, JsonWriter&) {
    PressButton(CurrentDialog(), kHelpButtonId);
}

// What Windows' dialog does when its Help button is clicked, and Wine's never does: the registered
// help message to the owner, the dialog's handle in wParam.
void Session::PostHelp(const Command&, JsonWriter& json) {
    HWND dialog = CurrentDialog();
    const UINT message = ::RegisterWindowMessageW(HELPMSGSTRINGW);
    if (message == 0 ||
        !::PostMessageW(::GetWindow(dialog, GW_OWNER), message, reinterpret_cast<WPARAM>(dialog), 0))
        throw CommandFailure{"the help message could not be posted"};
    json.Key("owner");
    WriteHwnd(json, ::GetWindow(dialog, GW_OWNER));
}

void Session::WaitMsgBox(const Command& command, JsonWriter& json) {
    double ms = 0;
    JsonWriter box;
    auto describe = [](JsonWriter& fields, HWND window) {
        fields.BeginObject();
        WriteMessageBoxFields(fields, window);
        fields.EndObject();
    };
    DWORD pid = Pid();
    popup_ = WaitFor(
        command, "a message box", [pid] { return FindMessageBox(pid); }, describe, box, ms);
    json.Merge(box);
    json.Key("form");
    WriteForm(json, FormWindow());
}

void Session::Press(const Command& command, JsonWriter& json) {
    if (popup_ == nullptr || !::IsWindow(popup_))
        throw CommandFailure{"no dialog or message box to press a button in"};
    auto id = static_cast<int>(command.Number(0));
    PressButton(popup_, id);
    json.Key("id").Int(id);
    json.Key("hwnd");
    WriteHwnd(json, popup_);
}

void Session::WaitExit(const Command& command, JsonWriter& json) {
    if (Process() == nullptr)
        throw CommandFailure{"no program was started"};
    auto code = WaitForExit(Process(), Milliseconds(command, 0));
    if (!code)
        throw CommandFailure{"timed out waiting for the program to exit"};
    json.Key("exit_code").Int(*code);
    json.Key("ms").Number(sinceRun_.ElapsedMs());
}

void Session::Windows(const Command& command, JsonWriter& json) {
    json.Key("windows").BeginArray();
    for (HWND window : TopLevelOfClass(command.args[0], true))
        WriteWindowSummary(json, window);
    json.EndArray();
}

void Session::Close(const Command& command, JsonWriter& json) {
    json.Key("count").Int(CloseAllOfClass(command.args[0]));
    // When, on the clock the stand-in's journal uses: what the launcher did after it is judged there.
    json.Key("tick").Number(static_cast<double>(::GetTickCount64()));
}

// A message sent as Windows sends it (the session's end): class, message, wParam, lParam.
void Session::Send(const Command& command, JsonWriter& json) {
    const HWND window = FindTopLevel(command.args[0], Pid());
    const auto answer = window != nullptr ? SendWithTimeout(window, static_cast<UINT>(command.Number(1)),
                                                            static_cast<WPARAM>(command.Number(2)),
                                                            static_cast<LPARAM>(command.Number(3)))
                                          : std::nullopt;
    if (!answer)
        throw CommandFailure{"no window answered"};
    json.Key("result").Int(*answer);
    json.Key("tick").Number(static_cast<double>(::GetTickCount64())); // as for a close
}

// ShowWindow from another process, as the taskbar and Alt+Tab restore a window: class, command.
void Session::Show(const Command& command, JsonWriter&) {
    const HWND window = FindTopLevel(command.args[0], Pid());
    if (window == nullptr)
        throw CommandFailure{"no such window"};
    ::ShowWindow(window, static_cast<int>(command.Number(1)));
}

// Clicks a check box of the open-file dialog (1040: "open as read-only") as the user would; reports
// whether it is then ticked.
void Session::Tick(const Command& command, JsonWriter& json) {
    const HWND box = ::GetDlgItem(CurrentDialog(), static_cast<int>(command.Number(0)));
    if (box == nullptr || !SendWithTimeout(box, BM_CLICK, 0, 0))
        throw CommandFailure{"no such check box"};
    json.Key("checked").Bool(SendWithTimeout(box, BM_GETCHECK, 0, 0) == BST_CHECKED);
}

void Session::Foreground(const Command&, JsonWriter& json) {
    HWND window = ::GetForegroundWindow();
    json.Key("class").String(window != nullptr ? ClassName(window) : std::wstring()); // "" for none
    if (window == nullptr)
        return;
    json.Key("window");
    WriteWindowSummary(json, window);
}

void Session::LongPath(const Command& command, JsonWriter& json) {
    const std::wstring& path = command.args[0];
    try {
        json.Key("path").String(quben::win::PathFromBuffer(
            [&](wchar_t* buffer, DWORD size) { return ::GetLongPathNameW(path.c_str(), buffer, size); }));
    } catch (const PlatformError&) {
        throw CommandFailure{"no such file"};
    }
}

void Session::Sleep(const Command& command, JsonWriter& json) {
    ::Sleep(Milliseconds(command, 0));
    json.Key("ms").Int(command.Number(0));
}

void Session::BenchDialog(const Command& command, JsonWriter& json) {
    WriteTimes(json, driver::BenchDialog(command.args[0], command.Number(1)));
}

void Session::BenchCycle(const Command& command, JsonWriter& json) {
    WriteTimes(json, driver::BenchCycle(command.args[0], command.args[1], command.Number(2)));
}

void Session::BenchRun(const Command& command, JsonWriter& json) {
    TimedRun run = driver::BenchRun(command.args);
    json.Key("ms").Number(run.ms);
    json.Key("exit_code").Int(run.exitCode);
}

} // namespace quben::driver
