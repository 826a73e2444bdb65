#pragma once
// Finding and reading windows of another process. Texts are read with messages sent with a
// timeout: the target is usually inside a modal loop, which still answers them.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quben::driver {

// Control ids of the standard open-file dialog and of message boxes.
inline constexpr int kFileNameComboId = 0x47c; // cmb13, explorer style
inline constexpr int kFileNameEditId = 0x480;  // edt1, older layouts
inline constexpr int kFileTypeComboId = 0x470; // cmb1
inline constexpr int kHelpButtonId = 0x40e;    // pshHelp
inline constexpr int kMessageTextId = 0xffff;
inline constexpr int kMessageIconId = 0x14;
inline constexpr std::wstring_view kDialogClass = L"#32770";

// Any process, for the lookups below.
inline constexpr DWORD kAnyProcess = 0;

// A message sent with SMTO_ABORTIFHUNG; nothing if it was not answered. The limit only bounds a
// window that never answers: on a loaded machine a dialog still filling its lists, or a window
// busy painting, answers seconds late, and a shorter one read such a window as empty.
inline constexpr UINT kSendTimeoutMs = 15000;
std::optional<LRESULT> SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

std::wstring ClassName(HWND window);
DWORD ProcessOf(HWND window);
int ControlId(HWND window);
RECT WindowRect(HWND window);
RECT ClientRect(HWND window);

// WM_GETTEXT, sized with WM_GETTEXTLENGTH; nothing when the window does not answer in time.
std::optional<std::wstring> Text(HWND window);
bool SetText(HWND window, const std::wstring& text);
// Items of a combo box's list, in order.
std::vector<std::wstring> ComboItems(HWND combo);

std::vector<HWND> TopLevelWindows();
std::vector<HWND> ChildrenInZOrder(HWND parent);
std::vector<HWND> Descendants(HWND parent);

// A direct child with that id, else any descendant with it; null if none.
HWND FindControl(HWND parent, int id);
HWND FindDescendantOfClass(HWND parent, std::wstring_view className);

// The id of the open-file dialog's file-name box found in `dialog`, or 0.
int FileNameBoxId(HWND dialog);

// Visible top-level windows of `pid` (or any process).
HWND FindFileDialog(DWORD pid);
HWND FindMessageBox(DWORD pid);
// First top-level window of that class and process, visible or not.
HWND FindTopLevel(std::wstring_view className, DWORD pid);
std::vector<HWND> TopLevelOfClass(std::wstring_view className, bool visibleOnly);

// A message box's text: its static with the message id. Nothing when there is none or it does not
// answer in time.
std::optional<std::wstring> MessageText(HWND box);

// Whether the window has an icon, its class's or its own (WM_GETICON); nothing when the platform
// will not say (Wine does not read class icons of other processes' windows).
std::optional<bool> HasIcon(HWND window);

} // namespace quben::driver
