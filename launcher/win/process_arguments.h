#pragma once

#include "launcher/startup_arguments.h"

namespace quben::win {

// The launcher's own command line, split the way Windows splits it (CommandLineToArgvW), and
// names made full against the process's current folder.
class ProcessArguments final : public StartupArguments {
public:
    std::optional<std::wstring> FirstArgument() override;
    std::wstring FullPath(std::wstring_view name) override;
};

} // namespace quben::win
