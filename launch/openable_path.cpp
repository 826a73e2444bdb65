#include "launch/openable_path.h"

#include "platform/independent_steps.h"

namespace quben {

std::wstring OpenablePath(std::wstring_view path,
                          const std::function<std::wstring(std::wstring_view)>& shortForm) {
    std::wstring openable(path);
    if (path.size() <= kSpreadsheetMaxPath)
        return openable;
    RunStep([&] {
        std::wstring candidate = shortForm(path);
        if (!candidate.empty() && candidate.size() <= kSpreadsheetMaxPath)
            openable = std::move(candidate);
    });
    return openable;
}

} // namespace quben
