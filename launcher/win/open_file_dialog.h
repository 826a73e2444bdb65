#pragma once

#include "launcher/form3.h"

#include <windows.h>

#include <commdlg.h>

namespace quben::win {

// The platform's open-file dialog, with the properties of a common-dialog control.
class OpenFileDialog final : public CommonDialog {
public:
    void SetOwner(HWND owner) { owner_ = owner; }

    void SetDialogTitle(std::wstring_view title) override { title_ = title; }
    void SetFlags(std::uint32_t flags) override { flags_ = flags; }
    void SetFilter(std::wstring_view filter) override { filter_ = filter; }
    void ShowOpen() override;
    std::wstring FileName() override { return fileName_; }
    // As the dialog gave them back: OFN_READONLY when the user ticked "open as read-only".
    std::uint32_t Flags() const { return flags_; }

private:
    HWND owner_ = nullptr;
    std::wstring title_;
    std::uint32_t flags_ = 0;
    std::wstring filter_;
    std::wstring fileName_;
};

} // namespace quben::win
