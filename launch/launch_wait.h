#pragma once
// How long one launch waits for a busy application, and whether the user still wants it.

#include "platform/busy_retry.h"

#include <chrono>
#include <optional>

namespace quben {

// A launch waits for a busy application at most this long in all, over every call it makes. Only
// refusals count: a call the application accepted (a large workbook opening, a form its macros
// show) takes the time it takes.
inline constexpr std::chrono::milliseconds kLaunchBusyLimit{120'000};
// Refusals in a row for this long mean the application shows a window of its own (activation,
// sign-in, first run) that needs the user, and that the launcher's window would hide.
inline constexpr std::chrono::milliseconds kLongBusySpell{5'000};
// How often a call made on another thread is looked at while it has not returned.
inline constexpr std::chrono::milliseconds kPendingPoll{50};
// How long the lookup of a workbook open in a running application is waited for: a holder busy
// with a long macro, or an unreachable share, just never answers. After it, the workbook counts as
// not open.
inline constexpr std::chrono::milliseconds kLookupLimit{5'000};
// Once the launch ends, closed or out of time, how long the application is still waited for to
// take back what the launch changed (its alerts): a close must end the process within moments.
inline constexpr std::chrono::milliseconds kEndingGrace{1'000};

// Told once, before the hand-over, when the refusals have lasted kLongBusySpell in a row or the
// creation of the application has not returned after as long.
class LongBusySpell {
public:
    virtual void StepAside() noexcept = 0;

protected:
    ~LongBusySpell() = default;
};

class LaunchWait final : public BusyPolicy {
public:
    LaunchWait(BusyWait& clock, LongBusySpell* onLongSpell) : clock_(clock), onLongSpell_(onLongSpell) {}

    // The user closed the launcher: the wait under way ends, and no refused call is made again.
    // Once the launch is ending, what is left of the wait is cut to kEndingGrace.
    void Cancel();
    // Nothing is waited for any more: the next refusal is final.
    void Stop() { stopped_ = true; }
    // The launch is ending: a refused call is made again for what is left of the limit, or for
    // kEndingGrace after a close or once the limit is used up.
    void Ending();
    // The application has been handed the foreground: a long spell needs nothing more.
    void HandedOver() { onLongSpell_ = nullptr; }

    bool Cancelled() const { return cancelled_; }
    // A call was refused with the whole limit used up: the application does not respond.
    bool GaveUp() const { return gaveUp_; }
    // Dispatches what the thread has queued (a close among it), then answers whether the launch
    // has been cancelled.
    bool DispatchThenCheckCancelled();

    bool WaitToRetry() override;
    void Answered() override { spellStart_.reset(); }
    bool AwaitPending(std::chrono::steady_clock::duration elapsed) override;

private:
    bool Expired() const { return waited_ >= kLaunchBusyLimit; }

    BusyWait& clock_;
    LongBusySpell* onLongSpell_;
    std::chrono::steady_clock::duration waited_{};
    std::optional<std::chrono::steady_clock::time_point> spellStart_;
    std::optional<std::chrono::steady_clock::time_point> graceEnd_;
    bool cancelled_ = false;
    bool stopped_ = false;
    bool gaveUp_ = false;
};

} // namespace quben
