#include "window_query.h"

#include <algorithm>

namespace quben::driver {
namespace {

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

bool BelongsTo(HWND window, DWORD pid) {
    return pid == kAnyProcess || ProcessOf(window) == pid;
}

bool IsVisibleDialog(HWND window, DWORD pid) {
    return ::IsWindowVisible(window) && ClassName(window) == kDialogClass && BelongsTo(window, pid);
}

std::optional<std::wstring> ComboItem(HWND combo, int index) {
    auto length = SendWithTimeout(combo, CB_GETLBTEXTLEN, index, 0);
    if (!length || *length < 0)
        return std::nullopt;
    std::wstring item(static_cast<std::size_t>(*length) + 1, L'\0');
    auto copied = SendWithTimeout(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(item.data()));
    if (!copied || *copied < 0)
        return std::nullopt;
    item.resize(std::min<std::size_t>(static_cast<std::size_t>(*copied), item.size() - 1));
    return item;
}

} // namespace

std::optional<LRESULT> SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result))
        return std::nullopt;
    return static_cast<LRESULT>(result);
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    int length = ::GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return std::wstring(name, length > 0 ? length : 0);
}

DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    return pid;
}

// Dialog templates store 16-bit ids, so 0xffff may come back sign-extended.
int ControlId(HWND window) {
    return ::GetDlgCtrlID(window) & 0xffff;
}

RECT WindowRect(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

RECT ClientRect(HWND window) {
    RECT rect{};
    ::GetClientRect(window, &rect);
    return rect;
}

std::optional<std::wstring> Text(HWND window) {
    auto length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
    if (!length || *length < 0)
        return std::nullopt;
    std::wstring text(static_cast<std::size_t>(*length) + 1, L'\0');
    auto copied = SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    if (!copied)
        return std::nullopt;
    // The length message may overestimate; the copy count is exact (and never past the buffer).
    text.resize(std::min<std::size_t>(static_cast<std::size_t>(*copied), text.size() - 1));
    return text;
}

bool SetText(HWND window, const std::wstring& text) {
    auto result = SendWithTimeout(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return result && *result != FALSE;
}

std::vector<std::wstring> ComboItems(HWND combo) {
    std::vector<std::wstring> items;
    auto count = SendWithTimeout(combo, CB_GETCOUNT, 0, 0);
    for (int index = 0; count && index < *count; ++index) {
        if (auto item = ComboItem(combo, index))
            items.push_back(std::move(*item));
    }
    return items;
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> ChildrenInZOrder(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child != nullptr;
         child = ::GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> windows;
    ::EnumChildWindows(parent, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND FindControl(HWND parent, int id) {
    for (HWND child : ChildrenInZOrder(parent)) {
        if (ControlId(child) == id)
            return child;
    }
    for (HWND window : Descendants(parent)) {
        if (ControlId(window) == id)
            return window;
    }
    return nullptr;
}

std::optional<std::wstring> MessageText(HWND box) {
    for (HWND child : ChildrenInZOrder(box)) {
        if (ControlId(child) == kMessageTextId && ::lstrcmpiW(ClassName(child).c_str(), L"Static") == 0)
            return Text(child);
    }
    return std::nullopt;
}

HWND FindDescendantOfClass(HWND parent, std::wstring_view className) {
    for (HWND window : Descendants(parent)) {
        if (::lstrcmpiW(ClassName(window).c_str(), std::wstring(className).c_str()) == 0)
            return window;
    }
    return nullptr;
}

int FileNameBoxId(HWND dialog) {
    for (int id : {kFileNameComboId, kFileNameEditId}) {
        if (FindControl(dialog, id) != nullptr)
            return id;
    }
    return 0;
}

HWND FindFileDialog(DWORD pid) {
    for (HWND window : TopLevelWindows()) {
        if (IsVisibleDialog(window, pid) && FileNameBoxId(window) != 0)
            return window;
    }
    return nullptr;
}

HWND FindMessageBox(DWORD pid) {
    for (HWND window : TopLevelWindows()) {
        // The text control tells a message box from an open-file dialog caught while it closes.
        if (IsVisibleDialog(window, pid) && FileNameBoxId(window) == 0 && MessageText(window))
            return window;
    }
    return nullptr;
}

HWND FindTopLevel(std::wstring_view className, DWORD pid) {
    for (HWND window : TopLevelWindows()) {
        if (BelongsTo(window, pid) && ClassName(window) == className)
            return window;
    }
    return nullptr;
}

std::vector<HWND> TopLevelOfClass(std::wstring_view className, bool visibleOnly) {
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows()) {
        if ((!visibleOnly || ::IsWindowVisible(window)) && ClassName(window) == className)
            found.push_back(window);
    }
    return found;
}

std::optional<bool> HasIcon(HWND window) {
    ::SetLastError(ERROR_SUCCESS);
    const ULONG_PTR classIcon = ::GetClassLongPtrW(window, GCLP_HICON);
    if (classIcon != 0)
        return true;
    const bool classUnreadable = ::GetLastError() != ERROR_SUCCESS;
    const std::optional<LRESULT> ownIcon = SendWithTimeout(window, WM_GETICON, ICON_BIG, 0);
    if (ownIcon && *ownIcon != 0)
        return true;
    if (classUnreadable || !ownIcon)
        return std::nullopt;
    return false;
}

} // namespace quben::driver
