// Stand-in spreadsheet application: a COM local server that journals every automation call it gets.
#include "server_process.h"
#include "win_handles.h"

#include <shellapi.h>

#include <memory>

namespace {

struct CommandLine {
    standin::StartMode mode = standin::StartMode::User;
    std::wstring workbookPath;
};

CommandLine parseCommandLine() {
    CommandLine parsed;
    int count = 0;
    std::unique_ptr<LPWSTR, decltype(&LocalFree)> args(CommandLineToArgvW(GetCommandLineW(), &count),
                                                       &LocalFree);
    if (!args)
        return parsed;
    for (int i = 1; i < count; ++i) {
        std::wstring_view arg = args.get()[i];
        if (standin::equalsIgnoreCase(arg, L"-Embedding") || standin::equalsIgnoreCase(arg, L"/Embedding"))
            parsed.mode = standin::StartMode::Embedding;
        else if (parsed.workbookPath.empty())
            parsed.workbookPath = arg;
    }
    return parsed;
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    CommandLine commandLine = parseCommandLine();
    standin::Journal journal(standin::Journal::defaultPath());
    journal.event(L"start",
                  {commandLine.mode == standin::StartMode::Embedding ? L"mode=embedding" : L"mode=user"});
    if (standin::environmentVariable(L"STANDIN_CLOCK") == L"1")
        journal.event(L"clock", {std::to_wstring(GetTickCount64())});
    int code = 0;
    {
        standin::ServerProcess process(journal, standin::Faults::fromEnvironment(), commandLine.mode);
        code = process.run(instance, commandLine.mode == standin::StartMode::User ? commandLine.workbookPath
                                                                                  : std::wstring());
    }
    journal.event(L"exit");
    return code;
}
