#include "launcher/win/process_arguments.h"

#include "platform/win/full_path.h"
#include "platform/win/hresult.h"
#include "platform/win/unique_handle.h"

#include <windows.h>

#include <shellapi.h>

#include <memory>

namespace quben::win {
std::optional<std::wstring> ProcessArguments::FirstArgument() {
    int count = 0;
    const UniqueLocalMemory<LPWSTR> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
    ThrowLastErrorIf(argv == nullptr);
    if (count < 2)
        return std::nullopt;
    return std::wstring(argv.get()[1]);
}

std::wstring ProcessArguments::FullPath(std::wstring_view name) {
    return FullPathName(name);
}

} // namespace quben::win
