#include "dialog_actions.h"

#include "json_writer.h"
#include "process.h"
#include "window_query.h"

namespace quben::driver {
namespace {

bool Holds(HWND window, const std::wstring& text) {
    return Text(window).value_or(L"") == text;
}

} // namespace

std::wstring EnterFileName(HWND dialog, const std::wstring& path) {
    HWND box = FindControl(dialog, FileNameBoxId(dialog));
    if (box == nullptr)
        throw CommandFailure{"the dialog has no file-name box"};
    SetText(box, path);
    if (!Holds(box, path)) {
        // A combo box that does not pass the text on to its edit: set the edit itself.
        if (HWND edit = FindDescendantOfClass(box, L"Edit")) {
            SetText(edit, path);
            box = edit;
        }
    }
    std::wstring readBack = Text(box).value_or(L"");
    if (readBack != path)
        throw CommandFailure{"the file-name box holds " + ToUtf8(readBack)};
    return readBack;
}

void PressButton(HWND window, int id) {
    if (!::PostMessageW(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0))
        throw CommandFailure{Utf8Error("PostMessage failed", ::GetLastError())};
}

int CloseAllOfClass(std::wstring_view className) {
    int count = 0;
    for (HWND window : TopLevelOfClass(className, false)) {
        if (::PostMessageW(window, WM_CLOSE, 0, 0))
            ++count;
    }
    return count;
}

bool WaitUntilNoneOfClass(std::wstring_view className, std::uint32_t timeoutMs) {
    constexpr std::uint32_t kIntervalMs = 5;
    Stopwatch clock;
    while (!TopLevelOfClass(className, false).empty()) {
        if (clock.ElapsedMs() >= timeoutMs)
            return false;
        ::Sleep(kIntervalMs);
    }
    return true;
}

} // namespace quben::driver
