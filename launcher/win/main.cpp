// demarrer_quben: covers the screen with the launcher window, asks for a workbook and brings it up
// in a new spreadsheet application. A workbook named as the first argument (a shortcut, a file
// dropped on the icon, "Ouvrir avec") is opened without the dialog.
//
// Where to start reading: FormLoad (launcher/form_load.cpp) runs the whole of it, the dialog and
// then the launch (WorkbookStarter, launch/start_workbook.cpp), before the message loop below is
// reached. The launch's waits pump the window's messages themselves, so Form3Window's handlers run
// from inside those waits. By the time the loop below runs, the window has been unloaded (or is
// closing): the loop carries the process to the WM_QUIT its destruction posts, with the exit code.

#include "launcher/form_load.h"
#include "launcher/win/dll_search.h"
#include "launcher/win/form3_window.h"
#include "launcher/win/process_arguments.h"
#include "launcher/win/shell_icon_prefetch.h"
#include "platform/win/com_apartment.h"
#include "platform/win/debug_output_trace.h"

namespace {

int RunMessageLoop() {
    MSG message{};
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam); // the exit code the window posted with WM_QUIT
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Before anything can load a DLL.
    quben::win::RestrictDllSearchToSystem32();
    quben::win::TraceDroppedStepsToDebugOutput();
    // Before any other thread exists: the first thread to enter a single-threaded apartment becomes
    // the process's main one, where COM creates the in-process objects registered without a
    // threading model (old shell extensions the dialog loads). That must be this thread, which
    // pumps messages for as long as the process lives. It outlives the window, which holds the
    // spreadsheet application.
    quben::win::ComApartment com;
    // Runs beside the window's creation and showing, for the dialog that follows.
    const quben::win::ShellIconPrefetch icons;
    quben::win::Form3Window form3(instance);
    if (!form3.Create())
        return 1;
    quben::win::ProcessArguments arguments;
    quben::FormLoad(form3, arguments);
    return RunMessageLoop();
}
