#include "launcher/win/primary_screen.h"

#include "platform/win/hresult.h"

namespace quben::win {
namespace {

Twips MetricInTwips(int metric, float twipsPerPixel) {
    const int pixels = ::GetSystemMetrics(metric);
    if (pixels <= 0)
        ThrowPlatformError(E_FAIL);
    return PixelsToTwips(pixels, twipsPerPixel);
}

} // namespace

Twips PrimaryScreen::Width() {
    return MetricInTwips(SM_CXSCREEN, twipsPerPixel_);
}
Twips PrimaryScreen::Height() {
    return MetricInTwips(SM_CYSCREEN, twipsPerPixel_);
}

} // namespace quben::win
