#include "launcher/win/open_file_dialog.h"

#include "launcher/design.h"
#include "launcher/dialog_filter.h"
#include "platform/win/hresult.h"

#include <commdlg.h>

namespace quben::win {

void OpenFileDialog::ShowOpen() {
    const std::wstring filter = ToPlatformFilter(filter_);
    std::wstring buffer(fileName_);
    buffer.resize(design::kDialogMaxFileSize + 1, L'\0');

    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = owner_;
    request.lpstrFilter = filter_.empty() ? nullptr : filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = buffer.data();
    request.nMaxFile = static_cast<DWORD>(buffer.size());
    request.lpstrTitle = title_.empty() ? nullptr : title_.c_str();
    request.Flags = flags_;

    if (!::GetOpenFileNameW(&request)) {
        // Cancel leaves the name as it was; anything else is a dialog that could not be shown.
        if (const DWORD error = ::CommDlgExtendedError(); error != 0)
            ThrowPlatformError(
                static_cast<std::int32_t>(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_WIN32, error)));
        return;
    }
    buffer.resize(buffer.find(L'\0'));
    fileName_ = std::move(buffer);
    flags_ = request.Flags;
}

} // namespace quben::win
