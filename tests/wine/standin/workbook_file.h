// Reading a workbook file: existence, content, and the password it may demand.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace standin {

struct WorkbookFile {
    std::wstring fullName;
    std::string content;
};

// Either the file, or a description of why it cannot be opened (as the application words it).
struct ReadOutcome {
    std::optional<WorkbookFile> file;
    std::wstring error;
};

// Never writes and never locks out other readers or writers.
ReadOutcome readWorkbookFile(std::wstring_view path);

// The <text> of a "password=<text>" line (UTF-8, exact), if the content has one.
std::optional<std::string> requiredPassword(std::string_view content);

std::wstring fileNamePart(std::wstring_view path);

} // namespace standin
