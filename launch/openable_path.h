#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace quben {

// The spreadsheet application refuses to open a file whose full path is longer than this.
inline constexpr std::size_t kSpreadsheetMaxPath = 218;

// The name under which the spreadsheet application is asked to open `path`: the path itself, or,
// when that is too long for the application, its short (8.3) form if that fits. `shortForm` throws
// PlatformError when the file system has no short form to give; the path then goes as it is.
std::wstring OpenablePath(std::wstring_view path,
                          const std::function<std::wstring(std::wstring_view)>& shortForm);

} // namespace quben
