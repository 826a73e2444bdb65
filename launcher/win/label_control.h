#pragma once

#include "launcher/form3.h"
#include "launcher/win/window_geometry.h"

namespace quben::win {

// A static text control that keeps its width and grows downwards to fit its caption, wrapping it.
class LabelControl final : public WindowPlaceable<Label> {
public:
    bool Create(HWND parent, int id, const PixelRect& rect, HFONT font, float twipsPerPixel);

    std::wstring Caption() override;
    void SetCaption(std::wstring_view caption) override;

private:
    void FitHeightToCaption();
};

} // namespace quben::win
