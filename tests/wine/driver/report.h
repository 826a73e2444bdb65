#pragma once
// The JSON descriptions of windows that the commands print.

#include "json_writer.h"

#include <windows.h>

namespace quben::driver {

// Window handles as integers (their low 32 bits, the same in 32- and 64-bit processes); null for
// no window.
void WriteHwnd(JsonWriter& json, HWND window);
// [left, top, right, bottom]
void WriteRect(JsonWriter& json, const RECT& rect);

// The launcher window and its direct children; null when `form` is null.
void WriteForm(JsonWriter& json, HWND form);
// The open-file dialog: handle, title, placement, owner, Help button, file types.
void WriteFileDialog(JsonWriter& json, HWND dialog);
// Fields (not an object) describing a message box: title, text, buttons, icon, owner.
void WriteMessageBoxFields(JsonWriter& json, HWND box);
// One entry of the `windows` command.
void WriteWindowSummary(JsonWriter& json, HWND window);

} // namespace quben::driver
