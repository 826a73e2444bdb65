#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quben {

// What the load handler sees of how the launcher was started: a shortcut, a file dropped on its
// icon or "Ouvrir avec" name the workbook as the first argument. Members throw PlatformError.
class StartupArguments {
public:
    virtual ~StartupArguments() = default;
    // The first argument after the program's name, with the quotes Windows removes; nothing when
    // the launcher was started without one.
    virtual std::optional<std::wstring> FirstArgument() = 0;
    // `name` made into a full path against the folder the launcher was started in.
    virtual std::wstring FullPath(std::wstring_view name) = 0;
};

} // namespace quben
