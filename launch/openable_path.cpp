#include "launch/openable_path.h"

#include "launch/extended_length_path.h"
#include "platform/independent_steps.h"

namespace quben {

std::optional<std::wstring> OpenablePath(std::wstring_view path,
                                         FunctionRef<std::wstring(std::wstring_view)> shortForm) {
    // The application takes no extended-length prefix, nor a name it would read as another.
    std::optional<std::wstring> classic = FromExtendedLengthPath(path);
    if (!classic)
        return std::nullopt;
    std::wstring openable = std::move(*classic);
    if (openable.size() <= kSpreadsheetMaxPath)
        return openable;
    const auto separator = openable.find_last_of(L"\\/");
    if (separator == std::wstring::npos)
        return std::nullopt;
    // The folder with its separator: a drive's root keeps its meaning ("C:\", not "C:").
    const std::wstring_view folder = std::wstring_view(openable).substr(0, separator + 1);
    const std::wstring_view name = std::wstring_view(openable).substr(separator + 1);
    RunStep([&] {
        std::wstring shortFolder = shortForm(folder);
        if (shortFolder.empty())
            return;
        if (shortFolder.back() != L'\\' && shortFolder.back() != L'/')
            shortFolder += L'\\';
        openable = shortFolder.append(name);
    });
    if (openable.size() > kSpreadsheetMaxPath)
        return std::nullopt;
    return openable;
}

} // namespace quben
