// Checks of the driver's window and process handling against windows this program creates itself
// (and a copy of itself as child process). Needs a display: run under Wine with Xvfb. Exits non-zero
// on the first failed check.

#include "dialog_actions.h"
#include "process.h"
#include "report.h"
#include "window_query.h"

#include "launcher/window_names.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace quben::driver;

int failures = 0;
const std::wstring kAccentedPath = L"C:\\tmp\\\u00c9t\u00e9 donn\u00e9es\\\u00e9.xls";
const std::vector<std::wstring> kChildArgs = {L"child", L"a b", L"\u00e9\"q\\", L"end\\ "};

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "FAILED: %s\n", what);
        ++failures;
    }
}

std::string Id(HWND window) {
    return std::to_string(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(window)));
}

std::string Style(HWND window, int index) {
    return std::to_string(static_cast<std::uint32_t>(::GetWindowLongPtrW(window, index)));
}

HWND Create(const wchar_t* className, const wchar_t* text, DWORD style, int x, int y, int cx, int cy,
            HWND parent, int id, DWORD exStyle = 0) {
    return ::CreateWindowExW(exStyle, className, text, style, x, y, cx, cy, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr),
                             nullptr);
}

void Register(const wchar_t* name, WNDPROC procedure, HICON icon) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    windowClass.hIcon = icon;
    ::RegisterClassW(&windowClass);
}

// A box that keeps no text of its own, like a combo box that would not pass it on to its edit.
LRESULT CALLBACK DeafBox(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTEXT || message == WM_GETTEXT || message == WM_GETTEXTLENGTH)
        return 0;
    return ::DefWindowProcW(window, message, wParam, lParam);
}

void FormReport() {
    Register(quben::kForm3ClassName, ::DefWindowProcW, ::LoadIconW(nullptr, IDI_APPLICATION));
    Register(quben::kPictureBoxClassName, ::DefWindowProcW, nullptr);
    HWND form = Create(quben::kForm3ClassName, L"complet", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, 0,
                       WS_EX_TOOLWINDOW);
    HWND label = Create(L"STATIC", L"Label1", WS_CHILD, 10, 10, 200, 20, form, quben::kLabel1Id);
    HWND picture = Create(quben::kPictureBoxClassName, L"", WS_CHILD | WS_VISIBLE, 20, 40, 100, 100, form,
                          quben::kPicture1Id);
    JsonWriter json;
    WriteForm(json, form);
    std::string expected =
        "{\"hwnd\":" + Id(form) + ",\"caption\":\"complet\",\"style\":" + Style(form, GWL_STYLE) +
        ",\"exstyle\":" + Style(form, GWL_EXSTYLE) +
        ",\"visible\":true,\"iconic\":false,\"rect\":[0,0,300,200],\"client_rect\":[0,0,300,200],"
        "\"icon\":true,\"children\":[{\"hwnd\":" +
        Id(label) + ",\"id\":100,\"class\":\"Static\",\"style\":" + Style(label, GWL_STYLE) +
        ",\"exstyle\":0,"
        "\"text\":\"Label1\",\"visible\":false,\"rect\":[10,10,210,30]},{\"hwnd\":" +
        Id(picture) + ",\"id\":101,\"class\":\"quben.PictureBox\",\"style\":" + Style(picture, GWL_STYLE) +
        ",\"exstyle\":0,\"text\":\"\",\"visible\":true,\"rect\":[20,40,120,140]}]}";
    Check(json.Text() == expected, "form report: fields, children in Z order, screen rectangles");
    Check(FindTopLevel(quben::kForm3ClassName, ::GetCurrentProcessId()) == form,
          "form found by class and process");

    std::wstring longText(32767, L'\u00e9');
    ::SetWindowTextW(label, longText.c_str());
    Check(Text(label) == longText, "32767-character text read whole");
    JsonWriter none;
    WriteForm(none, nullptr);
    Check(none.Text() == "null", "no form reported as null");
    ::DestroyWindow(form);
}

HWND CreateFileDialog(HWND owner) {
    HWND dialog =
        Create(L"#32770", L"Ouvrir", WS_POPUP | WS_CAPTION | WS_VISIBLE, 50, 60, 400, 300, owner, 0);
    Create(L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWN, 10, 10, 300, 100, dialog,
           kFileNameComboId);
    HWND types = Create(L"COMBOBOX", L"", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_HASSTRINGS, 10, 40,
                        300, 100, dialog, kFileTypeComboId);
    ::SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Fichiers Excel (*.xls)"));
    ::SendMessageW(types, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"Tous (*.*)"));
    Create(L"BUTTON", L"&Aide", WS_CHILD, 10, 70, 80, 24, dialog, kHelpButtonId);
    return dialog;
}

void FileDialog() {
    Register(L"quben.TestOwner", ::DefWindowProcW, nullptr);
    HWND owner = Create(L"quben.TestOwner", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, 0);
    HWND dialog = CreateFileDialog(owner);
    Check(FindFileDialog(::GetCurrentProcessId()) == dialog, "dialog with a file-name box found");
    Check(FindMessageBox(::GetCurrentProcessId()) == nullptr, "the file dialog is not a message box");
    Check(FindFileDialog(::GetCurrentProcessId() + 4) == nullptr, "other processes' dialogs ignored");
    JsonWriter json;
    WriteFileDialog(json, dialog);
    std::string expected =
        "{\"hwnd\":" + Id(dialog) + ",\"title\":\"Ouvrir\",\"rect\":[50,60,450,360],\"owner\":" + Id(owner) +
        ",\"owner_class\":\"quben.TestOwner\",\"help_button\":{\"present\":true,"
        "\"visible\":false,\"text\":\"&Aide\"},\"filter_items\":[\"Fichiers Excel (*.xls)\","
        "\"Tous (*.*)\"],\"file_name_box\":1148}";
    Check(json.Text() == expected, "dialog report: owner, Help button, file types");
    Check(EnterFileName(dialog, kAccentedPath) == kAccentedPath, "accented path typed and read back");
    Check(Text(FindControl(dialog, kFileNameComboId)) == kAccentedPath, "the box holds the path");
    ::DestroyWindow(owner);
}

void FileNameFallsBackToEdit() {
    Register(L"quben.DeafBox", DeafBox, nullptr);
    HWND dialog = Create(L"#32770", L"", WS_POPUP, 0, 0, 100, 100, nullptr, 0);
    HWND box = Create(L"quben.DeafBox", L"", WS_CHILD | WS_VISIBLE, 0, 0, 100, 20, dialog, kFileNameEditId);
    HWND edit = Create(L"EDIT", L"", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 0, 0, 100, 20, box, 1001);
    Check(FileNameBoxId(dialog) == kFileNameEditId, "older file-name box id recognised");
    Check(EnterFileName(dialog, kAccentedPath) == kAccentedPath && Text(edit) == kAccentedPath,
          "text put into the edit when the box keeps none");
    HWND empty = Create(L"#32770", L"", WS_POPUP, 0, 0, 100, 100, nullptr, 0);
    bool refused = false;
    try {
        EnterFileName(empty, kAccentedPath);
    } catch (const CommandFailure&) {
        refused = true;
    }
    Check(refused, "no file-name box is a failure");
    ::DestroyWindow(dialog);
    ::DestroyWindow(empty);
}

std::string MessageBoxFields(HWND box) {
    JsonWriter json;
    json.BeginObject();
    WriteMessageBoxFields(json, box);
    return json.EndObject().Text();
}

void MessageBoxReport() {
    HWND owner = Create(L"quben.TestOwner", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, nullptr, 0);
    HWND box = Create(L"#32770", L"quben", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 300, 120, owner, 0);
    HWND icon = Create(L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_ICON, 10, 10, 32, 32, box, 0x440);
    Create(L"STATIC", L"D\u00e9sol\u00e9 \"absent\"", WS_CHILD | WS_VISIBLE, 50, 10, 200, 40, box,
           kMessageTextId);
    Create(L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE, 100, 60, 80, 24, box, IDOK);
    Create(L"BUTTON", L"Cancel", WS_CHILD, 190, 60, 80, 24, box, IDCANCEL);
    Check(FindMessageBox(::GetCurrentProcessId()) == box, "message box found");
    std::string common =
        "{\"hwnd\":" + Id(box) +
        ",\"title\":\"quben\",\"text\":\"D\xc3\xa9sol\xc3\xa9 \\\"absent\\\"\",\"buttons\":[{\"id\":1,"
        "\"text\":\"OK\",\"default\":false}],\"icon\":";
    const auto style = [box](int which) {
        return std::to_string(static_cast<std::uint32_t>(::GetWindowLongPtrW(box, which)));
    };
    std::string owned = ",\"style\":" + style(GWL_STYLE) + ",\"exstyle\":" + style(GWL_EXSTYLE) +
                        ",\"owner\":" + Id(owner) + ",\"owner_class\":\"quben.TestOwner\"}";
    Check(MessageBoxFields(box) == common + "false" + owned,
          "empty icon static is no icon; hidden buttons left out");
    ::SendMessageW(icon, STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_WARNING)), 0);
    Check(MessageBoxFields(box) == common + "true" + owned, "icon static holding an icon");
    ::DestroyWindow(owner);
}

// Owns two hidden windows of the class on its own thread and pumps their messages until they are gone.
DWORD WINAPI ClosableWindows(void*) {
    Create(L"quben.TestClosable", L"", WS_POPUP, 0, 0, 10, 10, nullptr, 0);
    Create(L"quben.TestClosable", L"", WS_POPUP, 0, 0, 10, 10, nullptr, 0);
    MSG message;
    while (!TopLevelOfClass(L"quben.TestClosable", false).empty() &&
           ::GetMessageW(&message, nullptr, 0, 0) > 0)
        ::DispatchMessageW(&message);
    return 0;
}

void CloseByClass() {
    Register(L"quben.TestClosable", ::DefWindowProcW, nullptr);
    quben::win::UniqueKernelHandle thread(::CreateThread(nullptr, 0, ClosableWindows, nullptr, 0, nullptr));
    while (TopLevelOfClass(L"quben.TestClosable", false).size() < 2)
        ::Sleep(1);
    Check(TopLevelOfClass(L"quben.TestClosable", true).empty(),
          "hidden windows left out of the visible list");
    Check(CloseAllOfClass(L"quben.TestClosable") == 2, "WM_CLOSE posted to each");
    Check(WaitUntilNoneOfClass(L"quben.TestClosable", 5000), "all gone");
    ::WaitForSingleObject(thread.get(), 5000);
}

void ChildProcess(const std::wstring& self) {
    std::vector<std::wstring> args{self};
    args.insert(args.end(), kChildArgs.begin(), kChildArgs.end());
    StartedProcess child = StartProcess(args);
    Check(WaitForExit(child.handle.get(), 10000) == std::optional<std::uint32_t>(42),
          "arguments with spaces, quotes, accents and backslashes arrive intact");
    Stopwatch clock;
    HWND none = PollForWindow([] { return HWND{}; }, 10000, 5, child.handle.get());
    Check(none == nullptr && clock.ElapsedMs() < 1000, "polling gives up once the process has ended");
    bool failed = false;
    try {
        StartProcess({L"C:\\absent\\nothing.exe"});
    } catch (const CommandFailure&) {
        failed = true;
    }
    Check(failed, "a missing program is a failure");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == kChildArgs[0])
        return std::vector<std::wstring>(argv + 1, argv + argc) == kChildArgs ? 42 : 1;
    FormReport();
    FileDialog();
    FileNameFallsBackToEdit();
    MessageBoxReport();
    CloseByClass();
    ChildProcess(argv[0]);
    if (failures == 0)
        std::puts("driver window tests passed");
    return failures == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
