#pragma once

#include "platform/function_ref.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quben {

// The spreadsheet application refuses to open a file whose full path is longer than this.
inline constexpr std::size_t kSpreadsheetMaxPath = 218;

// The name under which the spreadsheet application is asked to open `path`: the path itself when
// the application takes it; beyond that, the folder in its short (8.3) form joined to the file's
// own long name, so that the workbook keeps its name in its macros, the title bar and the recent
// files. Nothing when even that is too long, or when `path` has no form the application reads as
// the same file (FromExtendedLengthPath). `shortForm` gives a folder's short form and throws
// PlatformError when the file system has none to give.
std::optional<std::wstring> OpenablePath(std::wstring_view path,
                                         FunctionRef<std::wstring(std::wstring_view)> shortForm);

} // namespace quben
