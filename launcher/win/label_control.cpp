#include "launcher/win/label_control.h"

#include "platform/win/hresult.h"
#include "platform/win/unique_handle.h"

#include <algorithm>

namespace quben::win {
namespace {

constexpr DWORD kTextFormat = DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;

} // namespace

bool LabelControl::Create(HWND parent, int id, const PixelRect& rect, HFONT font, float twipsPerPixel) {
    // SS_NOPREFIX: the caption is a path, and an ampersand in it is just a character.
    const HWND window = ::CreateWindowExW(
        0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, rect.left, rect.top, rect.width,
        rect.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (window == nullptr)
        return false;
    ::SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    Attach(window, twipsPerPixel);
    return true;
}

std::wstring LabelControl::Caption() {
    ThrowLastErrorIf(!::IsWindow(Handle()));
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(Handle())) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(::GetWindowTextW(Handle(), text.data(), static_cast<int>(text.size()))));
    return text;
}

void LabelControl::SetCaption(std::wstring_view caption) {
    const std::wstring text(caption);
    ThrowLastErrorIf(!::SetWindowTextW(Handle(), text.c_str()));
    FitHeightToCaption();
}

void LabelControl::FitHeightToCaption() {
    const std::wstring text = Caption();
    WindowDc dc(Handle());
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0));
    SelectedObject selected(dc.get(), font);
    Change([&](PixelRect& rect) {
        RECT bounds{0, 0, rect.width, 0};
        ::DrawTextW(dc.get(), text.empty() ? L" " : text.c_str(), -1, &bounds, kTextFormat | DT_CALCRECT);
        rect.height = std::max<int>(bounds.bottom, 1);
    });
}

} // namespace quben::win
