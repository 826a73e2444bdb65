#pragma once
// What the driver does to another process's windows: type a file name, press buttons, close.
// Buttons are pressed with posted messages: a sent one would not return while the pressed
// button's handler runs a modal loop (a message box, say).

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace quben::driver {

// Puts `path` into the open-file dialog's file-name box and returns what the box then holds.
// Throws CommandFailure when there is no box or it does not hold exactly `path`.
std::wstring EnterFileName(HWND dialog, const std::wstring& path);

// Posts WM_COMMAND for button `id` to `window`. Throws CommandFailure.
void PressButton(HWND window, int id);

// Posts WM_CLOSE to every top-level window of the class; returns how many.
int CloseAllOfClass(std::wstring_view className);

// Waits until no top-level window of the class is left; false on timeout.
bool WaitUntilNoneOfClass(std::wstring_view className, std::uint32_t timeoutMs);

} // namespace quben::driver
