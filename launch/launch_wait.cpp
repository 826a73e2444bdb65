#include "launch/launch_wait.h"

#include <algorithm>
#include <utility>

namespace quben {

bool LaunchWait::DispatchThenCheckCancelled() {
    clock_.Pause(std::chrono::milliseconds(0));
    return cancelled_;
}

void LaunchWait::Cancel() {
    cancelled_ = true;
    if (graceEnd_)
        graceEnd_ = std::min(*graceEnd_, clock_.Now() + kEndingGrace);
}

void LaunchWait::Ending() {
    const auto left = cancelled_ ? std::chrono::steady_clock::duration{} : kLaunchBusyLimit - waited_;
    graceEnd_ = clock_.Now() + std::max<std::chrono::steady_clock::duration>(kEndingGrace, left);
}

// An application that shows a window before it takes any call (a safe-mode prompt, a first run)
// keeps its creation from returning: the launcher steps aside as for a long spell of refusals.
bool LaunchWait::AwaitPending(std::chrono::steady_clock::duration elapsed) {
    if (onLongSpell_ && elapsed >= kLongBusySpell)
        std::exchange(onLongSpell_, nullptr)->StepAside();
    clock_.Pause(kPendingPoll);
    return !cancelled_;
}

bool LaunchWait::WaitToRetry() {
    const auto now = clock_.Now();
    if (stopped_ || (cancelled_ && !graceEnd_))
        return false;
    if (graceEnd_) {
        if (now >= *graceEnd_)
            return false;
        clock_.Pause(
            std::min(kBusyRetryPause, std::chrono::ceil<std::chrono::milliseconds>(*graceEnd_ - now)));
        return true;
    }
    if (Expired()) {
        gaveUp_ = true; // the call made at the limit was refused too
        return false;
    }
    if (!spellStart_)
        spellStart_ = now;
    else if (onLongSpell_ && now - *spellStart_ >= kLongBusySpell)
        std::exchange(onLongSpell_, nullptr)->StepAside();
    // The last pause ends on the limit, and the call is made once more there.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(kLaunchBusyLimit - waited_);
    clock_.Pause(std::min(kBusyRetryPause, left));
    waited_ += clock_.Now() - now;
    return !cancelled_; // a close dispatched during the pause ends the wait
}

} // namespace quben
