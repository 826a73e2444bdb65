#pragma once
// An automation server that is busy (still starting, showing a dialog, a cell being edited) refuses
// a call instead of queueing it. Such a call is made again after a short pause, with the thread's
// messages dispatched meanwhile, for as long as the caller's policy allows; any other answer,
// success or failure, is final at once.

#include <chrono>
#include <cstdint>

namespace quben {

namespace busy_status {
inline constexpr auto kCallRejected = static_cast<std::int32_t>(0x80010001); // RPC_E_CALL_REJECTED
inline constexpr auto kRetryLater = static_cast<std::int32_t>(0x8001010A);   // RPC_E_SERVERCALL_RETRYLATER
inline constexpr auto kApplicationBusy =
    static_cast<std::int32_t>(0x800AC472); // the spreadsheet's own "busy"
} // namespace busy_status

inline constexpr std::chrono::milliseconds kBusyRetryPause{200};

constexpr bool IsBusyRefusal(std::int32_t status) {
    return status == busy_status::kCallRejected || status == busy_status::kRetryLater ||
           status == busy_status::kApplicationBusy;
}

// How a retry waits: the clock it reads and the pause it makes.
class BusyWait {
public:
    virtual ~BusyWait() = default;
    virtual std::chrono::steady_clock::time_point Now() = 0;
    // Returns after `pause`, the thread's queued messages dispatched meanwhile (with a zero pause
    // too: they are dispatched once).
    virtual void Pause(std::chrono::milliseconds pause) = 0;
};

// Whether a call refused as busy is made again.
class BusyPolicy {
public:
    virtual ~BusyPolicy() = default;
    // After a busy refusal: waits and answers true for the call to be made again, or answers false
    // at once when the refusal is final.
    virtual bool WaitToRetry() = 0;
    // The call got an answer that is not a busy refusal.
    virtual void Answered() = 0;
    // A call made on another thread (the creation of the application, the lookup of an open
    // workbook) has not returned after `elapsed`: pauses a little, the thread's messages dispatched
    // meanwhile, before the caller looks again. Answers false once the call is no longer wanted
    // (the launch was cancelled); a caller that cannot abandon its call waits all the same.
    virtual bool AwaitPending(std::chrono::steady_clock::duration elapsed) = 0;
};

// Makes `call` (which returns a status) until its answer is not a busy refusal or `policy` gives
// up. Returns the last answer.
template <class Call> std::int32_t RetryWhileBusy(BusyPolicy& policy, Call&& call) {
    for (;;) {
        const std::int32_t status = call();
        if (!IsBusyRefusal(status)) {
            policy.Answered();
            return status;
        }
        if (!policy.WaitToRetry())
            return status;
    }
}

} // namespace quben
