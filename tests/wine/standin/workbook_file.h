// Opening a workbook file: existence, content, the password it may demand, and the handle that holds it.
#pragma once

#include "win_handles.h"

#include <optional>
#include <string>
#include <string_view>

namespace standin {

struct WorkbookFile {
    std::wstring fullName;
    std::string content;
    // Held for as long as the workbook is open. Read-write, it lets others read but never write.
    UniqueKernelHandle handle;
    // Someone else holds the file for writing, or it carries the read-only attribute.
    bool readOnly = false;
};

// Either the file, or a description of why it cannot be opened (as the application words it).
struct ReadOutcome {
    std::optional<WorkbookFile> file;
    std::wstring error;
};

// Never writes. Opens read-write and denies writing to others; a file another process holds, or one
// with the read-only attribute, is opened read-only instead, silently (the default answer of the
// application's "file in use" question when its alerts are off).
ReadOutcome openWorkbookFile(std::wstring_view path);

// GetFullPathNameW of `path`, or `path` itself if that fails.
std::wstring fullPathOf(std::wstring_view path);

// The <text> of a "password=<text>" line (UTF-8, exact), if the content has one.
std::optional<std::string> requiredPassword(std::string_view content);

std::wstring fileNamePart(std::wstring_view path);

} // namespace standin
