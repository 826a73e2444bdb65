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

// Told once when the refusals have lasted kLongBusySpell in a row, before the hand-over.
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
    void Cancel() { cancelled_ = true; }
    // Nothing is waited for any more: the next refusal is final.
    void Stop() { stopped_ = true; }
    // The application has been handed the foreground: a long spell needs nothing more.
    void HandedOver() { onLongSpell_ = nullptr; }

    bool Cancelled() const { return cancelled_; }
    // The refusals have used up the whole limit.
    bool Expired() const { return waited_ >= kLaunchBusyLimit; }
    // Dispatches what the thread has queued (a close among it), then answers whether the launch
    // has been cancelled.
    bool CancelledNow();

    bool WaitToRetry() override;
    void Answered() override { spellStart_.reset(); }

private:
    BusyWait& clock_;
    LongBusySpell* onLongSpell_;
    std::chrono::steady_clock::duration waited_{};
    std::optional<std::chrono::steady_clock::time_point> spellStart_;
    bool cancelled_ = false;
    bool stopped_ = false;
};

} // namespace quben
