#include "launch/launch_wait.h"

#include <algorithm>
#include <utility>

namespace quben {

bool LaunchWait::CancelledNow() {
    clock_.Pause(std::chrono::milliseconds(0));
    return cancelled_;
}

bool LaunchWait::WaitToRetry() {
    if (cancelled_ || stopped_ || Expired())
        return false;
    const auto now = clock_.Now();
    if (!spellStart_)
        spellStart_ = now;
    else if (onLongSpell_ && now - *spellStart_ >= kLongBusySpell)
        std::exchange(onLongSpell_, nullptr)->StepAside();
    // The last pause ends on the limit, and the call is made once more there.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(kLaunchBusyLimit - waited_);
    clock_.Pause(std::min(kBusyRetryPause, left));
    waited_ += clock_.Now() - now;
    return !cancelled_; // a close dispatched during the pause
}

} // namespace quben
