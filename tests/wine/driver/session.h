#pragma once
// The state carried from one command to the next: the program started by `run` and the last
// dialog or message box found, which the button commands act on.

#include "command_line.h"
#include "json_writer.h"
#include "process.h"

#include <windows.h>

namespace quben::driver {

class Session {
public:
    // Runs one command and writes its fields (after "cmd"). Throws CommandFailure.
    void Execute(const Command& command, JsonWriter& json);

private:
    using Handler = void (Session::*)(const Command&, JsonWriter&);
    static Handler HandlerFor(std::wstring_view word);

    void Run(const Command& command, JsonWriter& json);
    void WaitDialog(const Command& command, JsonWriter& json);
    void Form(const Command& command, JsonWriter& json);
    void Choose(const Command& command, JsonWriter& json);
    void Cancel(const Command& command, JsonWriter& json);
    void Help(const Command& command, JsonWriter& json);
    void PostHelp(const Command& command, JsonWriter& json);
    void WaitMsgBox(const Command& command, JsonWriter& json);
    void Press(const Command& command, JsonWriter& json);
    void WaitExit(const Command& command, JsonWriter& json);
    void Windows(const Command& command, JsonWriter& json);
    void Close(const Command& command, JsonWriter& json);
    void Send(const Command& command, JsonWriter& json);
    void Show(const Command& command, JsonWriter& json);
    void Tick(const Command& command, JsonWriter& json);
    void Foreground(const Command& command, JsonWriter& json);
    void LongPath(const Command& command, JsonWriter& json);
    void Sleep(const Command& command, JsonWriter& json);
    void BenchDialog(const Command& command, JsonWriter& json);
    void BenchCycle(const Command& command, JsonWriter& json);
    void BenchRun(const Command& command, JsonWriter& json);

    // The started program's id, or any process when none was started.
    DWORD Pid() const { return process_.pid; }
    HANDLE Process() const { return process_.handle.get(); }
    HWND FormWindow() const;
    // The open-file dialog found last if it is still up, else one found now. Throws CommandFailure.
    HWND CurrentDialog();
    // Polls until `find` gives a window that `describe` could report in full (one that closes
    // while being read is looked for again). Returns the window; fills `description` and
    // `foundAfterMs` (since the command started). Throws CommandFailure naming `what`.
    template <class Find, class Describe>
    HWND WaitFor(const Command& command, const char* what, Find&& find, Describe&& describe,
                 JsonWriter& description, double& foundAfterMs);

    StartedProcess process_;
    Stopwatch sinceRun_;
    HWND dialog_ = nullptr;
    HWND popup_ = nullptr; // the last dialog or message box found, for `press`
};

} // namespace quben::driver
